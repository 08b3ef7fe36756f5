#pragma once
// The object store's peer program (objectstore_peer) run as a second process
// with its stdin and stdout on pipes, for the tests of several processes on
// one store.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

class Peer {
public:
    explicit Peer(std::vector<std::string> args)
    {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            std::vector<char*> argv { const_cast<char*>(OBJECTSTORE_PEER) };
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(OBJECTSTORE_PEER, argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        stdout_ = fdopen(out[0], "r");
    }
    ~Peer()
    {
        if (stdin_ >= 0)
            close(stdin_);
        if (pid_ > 0)
            Wait();
        if (stdout_)
            fclose(stdout_);
    }

    std::string ReadLine()
    {
        char line[256] = {};
        if (!stdout_ || !fgets(line, sizeof line, stdout_))
            return "<eof>";
        std::string s(line);
        if (!s.empty() && s.back() == '\n')
            s.pop_back();
        return s;
    }
    void CloseInput()
    {
        close(stdin_);
        stdin_ = -1;
    }
    void Kill() { kill(pid_, SIGKILL); }
    int Wait()
    {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    FILE* stdout_ = nullptr;
};

