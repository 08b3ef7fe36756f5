#include "DataFaultPoints.h"

#include <atomic>

namespace {

std::atomic<DataFaultHandler> g_handler { nullptr };

} // namespace

DataFaultHandler SetDataFaultHandler(DataFaultHandler handler)
{
    return g_handler.exchange(handler);
}

void DataFaultPoint(DataFault where)
{
    if (DataFaultHandler handler = g_handler.load(std::memory_order_relaxed))
        handler(where);
}
