#include "CTlsSession.h"

#include <schannel.h>
#include <wincrypt.h>

#include <cstring>
#include <memory>

namespace {

constexpr ULONG kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                           ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;
// A server whose handshake messages pass this has sent no certificate chain anyone would use.
constexpr std::size_t kMaxHandshakeInput = std::size_t(1) << 20;
constexpr int kHeaderSize = 5;
// Revocation is not asked for, so its "unknown" flags say nothing about the chain.
constexpr DWORD kIgnoredChainErrors = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

struct CertificateFree {
    void operator()(const CERT_CONTEXT* certificate) const { ::CertFreeCertificateContext(certificate); }
};
struct ChainFree {
    void operator()(const CERT_CHAIN_CONTEXT* chain) const { ::CertFreeCertificateChain(chain); }
};
// The system's SSPI functions, from secur32.dll loaded at the first secure connection rather
// than imported: loading it starts Windows Sockets on its own (Wine's does), which a program
// that only ever fetches plain http has no use for. It stays loaded.
const SecurityFunctionTableA* Sspi()
{
    static const SecurityFunctionTableA* const table = []() -> const SecurityFunctionTableA* {
        const HMODULE module = ::LoadLibraryA("secur32.dll");
        const auto init = module ? reinterpret_cast<INIT_SECURITY_INTERFACE_A>(
                                       reinterpret_cast<void (*)()>(::GetProcAddress(module, "InitSecurityInterfaceA")))
                                 : nullptr;
        return init ? init() : nullptr;
    }();
    return table;
}

// An output token that SSPI allocated (ISC_REQ_ALLOCATE_MEMORY).
struct TokenFree {
    void operator()(void* token) const { Sspi()->FreeContextBuffer(token); }
};

SecBuffer Buffer(ULONG type, void* data = nullptr, ULONG size = 0)
{
    SecBuffer buffer;
    buffer.cbBuffer = size;
    buffer.BufferType = type;
    buffer.pvBuffer = data;
    return buffer;
}

std::wstring Wide(const std::string& text)
{
    const int len = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(len > 0 ? len : 1), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), len);
    return wide;
}

} // namespace

CTlsSession::~CTlsSession()
{
    if (m_bContext) Sspi()->DeleteSecurityContext(&m_context);
    if (m_bCredentials) Sspi()->FreeCredentialHandle(&m_credentials);
}

bool CTlsSession::SendAll(const char* data, int len)
{
    while (len > 0) {
        const int sent = ::send(m_socket, data, len, 0);
        if (sent == SOCKET_ERROR || sent == 0) return false;
        data += sent;
        len -= sent;
    }
    return true;
}

CTlsSession::Result CTlsSession::Handshake(SOCKET socket, const std::string& serverName, std::string received)
{
    m_socket = socket;
    m_serverName = serverName;

    SCHANNEL_CRED credential{};
    credential.dwVersion = SCHANNEL_CRED_VERSION;
    // The certificate is checked by CheckCertificate, so that each fault gets its own report.
    credential.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    if (!Sspi()) {
        m_status = SEC_E_SECPKG_NOT_FOUND;
        return Result::Failed;
    }
    m_status = Sspi()->AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                                 nullptr, &credential, nullptr, nullptr, &m_credentials, nullptr);
    if (m_status != SEC_E_OK) return Result::Failed;
    m_bCredentials = true;

    SecBuffer out = Buffer(SECBUFFER_TOKEN);
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    char* name = m_serverName.empty() ? nullptr : m_serverName.data();
    m_status = Sspi()->InitializeSecurityContextA(&m_credentials, nullptr, name, kRequest, 0, 0, nullptr, 0, &m_context,
                                            &outDesc, &attributes, nullptr);
    std::unique_ptr<void, TokenFree> hello(out.pvBuffer);
    if (m_status != SEC_I_CONTINUE_NEEDED) return Result::Failed;
    m_bContext = true;
    if (!SendAll(static_cast<const char*>(out.pvBuffer), static_cast<int>(out.cbBuffer))) return Result::SocketError;
    return ContinueHandshake(received);
}

CTlsSession::Result CTlsSession::ContinueHandshake(std::string& input)
{
    bool needMore = input.empty();
    char* name = m_serverName.empty() ? nullptr : m_serverName.data();
    for (;;) {
        if (needMore) {
            if (input.size() > kMaxHandshakeInput) {
                m_status = SEC_E_INVALID_TOKEN;
                return Result::Failed;
            }
            char chunk[16384];
            const int got = ::recv(m_socket, chunk, sizeof chunk, 0);
            if (got == SOCKET_ERROR) return Result::SocketError;
            if (got == 0) return Result::Closed;
            input.append(chunk, static_cast<std::size_t>(got));
        }
        SecBuffer in[2] = {Buffer(SECBUFFER_TOKEN, input.data(), static_cast<ULONG>(input.size())),
                           Buffer(SECBUFFER_EMPTY)};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
        SecBuffer out = Buffer(SECBUFFER_TOKEN);
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
        ULONG attributes = 0;
        m_status = Sspi()->InitializeSecurityContextA(&m_credentials, &m_context, name, kRequest, 0, 0, &inDesc, 0, nullptr,
                                                &outDesc, &attributes, nullptr);
        std::unique_ptr<void, TokenFree> token(out.pvBuffer);
        if (m_status == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        // A token goes out even with a failure: it is the alert that tells the server why.
        const bool sent = !out.pvBuffer || out.cbBuffer == 0 ||
                          SendAll(static_cast<const char*>(out.pvBuffer), static_cast<int>(out.cbBuffer));
        if (FAILED(m_status)) return Result::Failed;
        if (!sent) return Result::SocketError;
        if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0)
            input.erase(0, input.size() - in[1].cbBuffer);
        else
            input.clear();

        if (m_status == SEC_E_OK) {
            m_early = std::move(input);
            m_status = Sspi()->QueryContextAttributesA(&m_context, SECPKG_ATTR_STREAM_SIZES, &m_sizes);
            return m_status == SEC_E_OK ? Result::Ok : Result::Failed;
        }
        // The server asked for a client certificate; the handshake goes on without one.
        if (m_status == SEC_I_INCOMPLETE_CREDENTIALS) {
            needMore = false;
            continue;
        }
        if (m_status != SEC_I_CONTINUE_NEEDED) return Result::Failed;
        needMore = input.empty();
    }
}

CTlsSession::Certificate CTlsSession::CheckCertificate(const std::string& host, DWORD& error) const
{
    const CERT_CONTEXT* received = nullptr;
    error = static_cast<DWORD>(Sspi()->QueryContextAttributesA(const_cast<CtxtHandle*>(&m_context),
                                                         SECPKG_ATTR_REMOTE_CERT_CONTEXT, &received));
    std::unique_ptr<const CERT_CONTEXT, CertificateFree> certificate(received);
    if (error != SEC_E_OK || !certificate) return Certificate::Untrusted;

    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    char* usages[] = {serverAuth};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    const CERT_CHAIN_CONTEXT* built = nullptr;
    // The server's own intermediates travel in the certificate's store.
    if (!::CertGetCertificateChain(nullptr, certificate.get(), nullptr, certificate->hCertStore, &chainPara, 0, nullptr,
                                   &built)) {
        error = ::GetLastError();
        return Certificate::Untrusted;
    }
    std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree> chain(built);

    std::wstring wideHost = Wide(host);
    HTTPSPolicyCallbackData https{};
    https.cbStruct = sizeof https;
    https.dwAuthType = AUTHTYPE_SERVER;
    https.pwszServerName = wideHost.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &https;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status)) {
        error = ::GetLastError();
        return Certificate::Untrusted;
    }
    error = status.dwError;
    // Wine's policy passes a chain that ends at an unknown issuer; the chain says so itself.
    const DWORD chainErrors = chain->TrustStatus.dwErrorStatus & ~kIgnoredChainErrors;
    if (error == ERROR_SUCCESS && chainErrors != CERT_TRUST_NO_ERROR) {
        error = static_cast<DWORD>((chainErrors & CERT_TRUST_IS_NOT_TIME_VALID) ? CERT_E_EXPIRED : CERT_E_UNTRUSTEDROOT);
    }
    switch (error) {
    case ERROR_SUCCESS: return Certificate::Trusted;
    case static_cast<DWORD>(CERT_E_EXPIRED):
    case static_cast<DWORD>(CERT_E_VALIDITYPERIODNESTING): return Certificate::Expired;
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return Certificate::OtherHost;
    default: return Certificate::Untrusted;
    }
}

std::string CTlsSession::TakeEarlyData()
{
    return std::move(m_early);
}

CTlsSession::Result CTlsSession::Send(std::string_view data)
{
    const std::size_t header = m_sizes.cbHeader;
    const std::size_t trailer = m_sizes.cbTrailer;
    const std::size_t step = m_sizes.cbMaximumMessage ? m_sizes.cbMaximumMessage : 16384;
    while (!data.empty()) {
        const std::size_t len = std::min(step, data.size());
        std::string record(header + len + trailer, '\0');
        std::memcpy(record.data() + header, data.data(), len);
        SecBuffer buffers[4] = {
            Buffer(SECBUFFER_STREAM_HEADER, record.data(), static_cast<ULONG>(header)),
            Buffer(SECBUFFER_DATA, record.data() + header, static_cast<ULONG>(len)),
            Buffer(SECBUFFER_STREAM_TRAILER, record.data() + header + len, static_cast<ULONG>(trailer)),
            Buffer(SECBUFFER_EMPTY),
        };
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        m_status = Sspi()->EncryptMessage(&m_context, 0, &desc, 0);
        if (m_status != SEC_E_OK) return Result::Failed;
        const ULONG total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
        if (!SendAll(record.data(), static_cast<int>(total))) return Result::SocketError;
        data.remove_prefix(len);
    }
    return Result::Ok;
}

CTlsSession::Decrypted CTlsSession::Decrypt(char* data, int len)
{
    Decrypted result;
    int in = 0;    // start of the records not yet decrypted
    int out = 0;   // end of the plain bytes gathered so far; never past `in`
    while (len - in >= kHeaderSize) {
        if (m_bHandshakeRecords) {
            int rest = len - in;
            if (!TakeHandshakeRecords(data + in, rest)) {
                result.result = Result::Failed;
                in = len;
                break;
            }
            len = in + rest;
            if (m_bHandshakeRecords) break;
            continue;
        }
        SecBuffer buffers[4] = {Buffer(SECBUFFER_DATA, data + in, static_cast<ULONG>(len - in)),
                                Buffer(SECBUFFER_EMPTY), Buffer(SECBUFFER_EMPTY), Buffer(SECBUFFER_EMPTY)};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        m_status = Sspi()->DecryptMessage(&m_context, &desc, 0, nullptr);
        if (m_status == SEC_E_INCOMPLETE_MESSAGE) break;
        if (m_status == SEC_I_CONTEXT_EXPIRED) {   // the server's close_notify
            result.result = Result::Closed;
            in = len;
            break;
        }
        if (m_status != SEC_E_OK && m_status != SEC_I_RENEGOTIATE) {
            result.result = Result::Failed;
            in = len;
            break;
        }
        int extra = 0;
        for (const SecBuffer& buffer : buffers) {
            if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0) {
                std::memmove(data + out, buffer.pvBuffer, buffer.cbBuffer);
                out += static_cast<int>(buffer.cbBuffer);
            } else if (buffer.BufferType == SECBUFFER_EXTRA) {
                extra = static_cast<int>(buffer.cbBuffer);
            }
        }
        in = len - extra;
        // TLS 1.3 servers send tickets and key updates after the handshake; the system wants
        // what follows them back through the handshake call.
        if (m_status == SEC_I_RENEGOTIATE) m_bHandshakeRecords = true;
    }
    std::memmove(data + out, data + in, static_cast<std::size_t>(len - in));
    result.plain = out;
    result.pending = len - in;
    return result;
}

bool CTlsSession::TakeHandshakeRecords(char* records, int& count)
{
    SecBuffer in[2] = {Buffer(SECBUFFER_TOKEN, records, static_cast<ULONG>(count)), Buffer(SECBUFFER_EMPTY)};
    SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
    SecBuffer out = Buffer(SECBUFFER_TOKEN);
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    char* name = m_serverName.empty() ? nullptr : m_serverName.data();
    m_status = Sspi()->InitializeSecurityContextA(&m_credentials, &m_context, name, kRequest, 0, 0, &inDesc, 0, nullptr,
                                            &outDesc, &attributes, nullptr);
    std::unique_ptr<void, TokenFree> token(out.pvBuffer);
    if (m_status == SEC_E_INCOMPLETE_MESSAGE) return true;   // the rest is still on its way
    if (m_status != SEC_E_OK) return false;
    if (out.pvBuffer && out.cbBuffer > 0 && !SendAll(static_cast<const char*>(out.pvBuffer), static_cast<int>(out.cbBuffer)))
        return false;
    const int extra = in[1].BufferType == SECBUFFER_EXTRA ? static_cast<int>(in[1].cbBuffer) : 0;
    std::memmove(records, records + count - extra, static_cast<std::size_t>(extra));
    count = extra;
    m_bHandshakeRecords = false;
    return true;
}
