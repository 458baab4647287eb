#pragma once
// https for the scriptable test server: asks tests/support/tls-front (started around the test
// program by tests/support/with-tls-front) for TLS ports on localhost that relay to a
// TestHttpServer, and trusts the front's test CA in this Wine prefix for the rest of the process.
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "TestHttpServer.h"

class TlsFront {
public:
    // The certificate a front shows: made for localhost by the trusted test CA, the same but
    // expired, made for another name, or made for localhost by a CA nobody trusts.
    enum class Certificate { Localhost, Expired, OtherHost, Untrusted };

    // False unless the test runs under with-tls-front.
    static bool Available();

    TlsFront();   // throws std::runtime_error when the front cannot be reached
    ~TlsFront();  // closes every port it asked for
    TlsFront(const TlsFront&) = delete;
    TlsFront& operator=(const TlsFront&) = delete;

    // The port of a front for `server` with that certificate (one per pair, made on first use).
    int Port(const TestHttpServer& server, Certificate certificate = Certificate::Localhost);
    // "https://localhost:<port>" followed by the path.
    std::string Url(const TestHttpServer& server, std::string_view path,
                    Certificate certificate = Certificate::Localhost);
    // A port that takes connections and never answers: a handshake that never finishes.
    int SilentPort();

private:
    std::string Ask(const std::string& line);

    SOCKET m_control = INVALID_SOCKET;
    std::string m_received;
    std::map<std::pair<int, Certificate>, int> m_ports;
};
