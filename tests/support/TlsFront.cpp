#include "TlsFront.h"

#include <mutex>
#include <stdexcept>
#include <vector>

#include "TestCa.h"

namespace {

std::string EnvironmentValue(const char* name)
{
    char value[64] = {};
    const DWORD len = ::GetEnvironmentVariableA(name, value, sizeof value);
    return len > 0 && len < sizeof value ? std::string(value, len) : std::string();
}

// The front's CA stays trusted from the first front a test asks for until the process ends:
// the system's chain engine reads the roots once.
class TrustedCa {
public:
    void Add(const std::string& base64)
    {
        m_der = DerFromBase64(base64);
        if (m_der.empty() || !TrustTestCa(m_der)) throw std::runtime_error("tls-front: the CA could not be trusted");
    }
    ~TrustedCa()
    {
        if (!m_der.empty()) ForgetTestCa(m_der);
    }

private:
    std::vector<BYTE> m_der;
};

TrustedCa g_trustedCa;
std::once_flag g_trustOnce;

const char* CertificateWord(TlsFront::Certificate certificate)
{
    switch (certificate) {
    case TlsFront::Certificate::Expired: return "expired";
    case TlsFront::Certificate::OtherHost: return "otherhost";
    case TlsFront::Certificate::Untrusted: return "untrusted";
    default: return "localhost";
    }
}

} // namespace

bool TlsFront::Available()
{
    return !EnvironmentValue("TARNWICK_TLS_FRONT").empty();
}

TlsFront::TlsFront()
{
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    const std::string port = EnvironmentValue("TARNWICK_TLS_FRONT");
    m_control = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(std::atoi(port.c_str())));
    if (port.empty() || m_control == INVALID_SOCKET ||
        ::connect(m_control, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (m_control != INVALID_SOCKET) ::closesocket(m_control);
        ::WSACleanup();
        throw std::runtime_error("tls-front: not reachable (run under tests/support/with-tls-front)");
    }
    std::call_once(g_trustOnce, [this] { g_trustedCa.Add(Ask("ca")); });
}

TlsFront::~TlsFront()
{
    ::closesocket(m_control);
    ::WSACleanup();
}

std::string TlsFront::Ask(const std::string& line)
{
    const std::string text = line + "\n";
    if (::send(m_control, text.data(), static_cast<int>(text.size()), 0) != static_cast<int>(text.size()))
        throw std::runtime_error("tls-front: send");
    std::size_t end;
    while ((end = m_received.find('\n')) == std::string::npos) {
        char buffer[4096];
        const int got = ::recv(m_control, buffer, sizeof buffer, 0);
        if (got <= 0) throw std::runtime_error("tls-front: no answer");
        m_received.append(buffer, static_cast<std::size_t>(got));
    }
    std::string answer = m_received.substr(0, end);
    m_received.erase(0, end + 1);
    if (answer == "error") throw std::runtime_error("tls-front: refused " + line);
    return answer;
}

int TlsFront::Port(const TestHttpServer& server, Certificate certificate)
{
    const auto key = std::make_pair(server.Port(), certificate);
    auto found = m_ports.find(key);
    if (found != m_ports.end()) return found->second;
    const int port = std::stoi(Ask("front " + std::to_string(server.Port()) + " " + CertificateWord(certificate)));
    m_ports.emplace(key, port);
    return port;
}

std::string TlsFront::Url(const TestHttpServer& server, std::string_view path, Certificate certificate)
{
    return "https://localhost:" + std::to_string(Port(server, certificate)) + std::string(path);
}

int TlsFront::SilentPort()
{
    return std::stoi(Ask("silent"));
}
