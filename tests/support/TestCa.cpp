#include "TestCa.h"

#include <wincrypt.h>

namespace {

HCERTSTORE OpenUserRoot()
{
    return ::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
}

} // namespace

std::vector<BYTE> DerFromBase64(const std::string& base64)
{
    DWORD size = 0;
    if (!::CryptStringToBinaryA(base64.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr)) return {};
    std::vector<BYTE> der(size);
    if (!::CryptStringToBinaryA(base64.c_str(), 0, CRYPT_STRING_BASE64, der.data(), &size, nullptr, nullptr)) return {};
    der.resize(size);
    return der;
}

bool TrustTestCa(const std::vector<BYTE>& der)
{
    HCERTSTORE root = OpenUserRoot();
    if (!root) return false;
    const bool added = ::CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(),
                                                          static_cast<DWORD>(der.size()),
                                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    return ::CertCloseStore(root, 0) && added;
}

void ForgetTestCa(const std::vector<BYTE>& der)
{
    HCERTSTORE root = OpenUserRoot();
    if (!root) return;
    const CERT_CONTEXT* ours = ::CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    const CERT_CONTEXT* found =
        ours ? ::CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ours, nullptr) : nullptr;
    if (found) ::CertDeleteCertificateFromStore(found);   // frees `found`
    if (ours) ::CertFreeCertificateContext(ours);
    ::CertCloseStore(root, 0);
}
