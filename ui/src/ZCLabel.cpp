#include "ZCLabel.h"

#include <QLabel>

QWidget* ZCLabel::CreateWidget(QWidget* parent)
{
    return new QLabel(parent);
}

QLabel* ZCLabel::Label() const
{
    return qobject_cast<QLabel*>(GetHandle());
}

BOOL ZCLabel::SetText(LPCWSTR text)
{
    return ZWindow::SetText(text);
}

void ZCLabel::Update()
{
    ZWindow::Update();
}
