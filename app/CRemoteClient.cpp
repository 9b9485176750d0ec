// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRemoteClient.h"

#include "app/CRemoteCommand.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};
} // namespace

CRemoteClient::Result CRemoteClient::Ask(const std::string& socketPath, const CRemoteCommand& request, int timeoutMs)
{
    ok = false;
    text.clear();
    result = Result::NotRunning;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path)
        return result;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.Get() < 0)
        return result;
    // A missing socket, a dead panel's socket (refused) or one we may not
    // reach: no panel of ours listens there.
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return result;
    result = Result::NoAnswer;
    const std::string line = request.Encode();
    for (size_t sent = 0; sent < line.size();) {
        const ssize_t n = ::send(socket.Get(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return result;
        sent += size_t(n);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string answer;
    char buffer[512];
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return result;
        pollfd p{socket.Get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return result;
        const ssize_t n = ::recv(socket.Get(), buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return result; // closed before a whole answer came
        answer.append(buffer, size_t(n));
        const size_t end = answer.find('\n');
        if (end != std::string::npos) {
            if (CRemoteCommand::ParseAnswer(std::string_view(answer).substr(0, end), ok, text))
                result = Result::Answered;
            return result;
        }
        if (answer.size() > CRemoteCommand::kMaxLine)
            return result;
    }
}

int CRemoteClient::Report() const
{
    if (result != Result::Answered) {
        std::fprintf(stderr, "vellory: the running panel did not answer within %d seconds\n", kAnswerTimeoutMs / 1000);
        return 1;
    }
    if (!ok) {
        std::fprintf(stderr, "vellory: %s\n", text.c_str());
        return 1;
    }
    if (!text.empty())
        std::printf("%s\n", text.c_str());
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
