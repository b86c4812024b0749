// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

// A plain blocking UDP socket on 127.0.0.1: the unit's side of a benchmark, and the floor it is
// compared with.
class LoopbackReceiver
{
public:
    LoopbackReceiver()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        timeval timeout {1, 0}; // a lost datagram shows as a miss, never as a hang
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        int buffer = 8 * 1024 * 1024;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    }
    ~LoopbackReceiver() { ::close(m_fd); }
    LoopbackReceiver(const LoopbackReceiver &) = delete;
    LoopbackReceiver &operator=(const LoopbackReceiver &) = delete;

    std::uint16_t port() const { return m_port; }
    int fd() const { return m_fd; }

    // Bytes of the next datagram, or -1 when none came within a second.
    long receive(char *buffer, std::size_t size) { return ::recv(m_fd, buffer, size, 0); }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};
