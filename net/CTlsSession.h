#pragma once
// One TLS session on a connected socket, through the system's own TLS (Schannel over SSPI): the
// client handshake with the server's name, the check of the server's certificate against the
// system's trusted roots, and the records that follow, encrypted on the way out and decrypted
// in place on the way in.
#include <winsock2.h>
#include <windows.h>
#define SECURITY_WIN32
#include <security.h>

#include <string>
#include <string_view>

class CTlsSession {
public:
    enum class Result {
        Ok,
        SocketError,   // send or recv failed (time-out, reset, or the socket was shut down)
        Closed,        // the server ended the connection or the session
        Failed,        // the TLS exchange itself failed; see Status()
    };
    enum class Certificate { Trusted, Untrusted, OtherHost, Expired };

    // The longest record on the wire: a 5-byte header, 16 KiB of data and its expansion.
    static constexpr int kMaxRecord = 5 + 16384 + 2048;

    CTlsSession() = default;
    ~CTlsSession();
    CTlsSession(const CTlsSession&) = delete;
    CTlsSession& operator=(const CTlsSession&) = delete;

    // `received`: bytes already read from the socket that belong to the server's side of the
    // handshake. `serverName` goes out for SNI; empty sends none.
    Result Handshake(SOCKET socket, const std::string& serverName, std::string received);
    // The chain engine and its SSL policy for `host`; `error` gets the policy's own code.
    Certificate CheckCertificate(const std::string& host, DWORD& error) const;
    // Encrypted bytes that arrived with the server's last handshake message: the first of the
    // stream Decrypt reads.
    std::string TakeEarlyData();

    // Encrypts and sends all of `data`.
    Result Send(std::string_view data);

    struct Decrypted {
        int plain = 0;     // plain bytes now at the start of the buffer
        int pending = 0;   // bytes of an unfinished record right after them
        Result result = Result::Ok;
    };
    // Decrypts the whole records among the `len` received bytes at `data`, in place: their plain
    // bytes are gathered at the start, the rest of an unfinished record moves up behind them.
    Decrypted Decrypt(char* data, int len);

    SECURITY_STATUS Status() const { return m_status; }

private:
    bool SendAll(const char* data, int len);
    Result ContinueHandshake(std::string& input);
    // Hands the records at the start of `records` to the handshake call; `count` becomes the
    // number of bytes left after them, moved to the start.
    bool TakeHandshakeRecords(char* records, int& count);

    SOCKET m_socket = INVALID_SOCKET;   // owned by the client
    std::string m_serverName;
    CredHandle m_credentials{};
    CtxtHandle m_context{};
    bool m_bCredentials = false;
    bool m_bContext = false;
    bool m_bHandshakeRecords = false;   // the next records belong to the handshake call
    SecPkgContext_StreamSizes m_sizes{};
    std::string m_early;
    SECURITY_STATUS m_status = SEC_E_OK;
};
