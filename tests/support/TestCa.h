#pragma once
// A test CA trusted in this Wine prefix only: added to the current user's Root store, which is
// what the system's chain engine trusts (closing the store writes it to the registry). On
// Windows itself adding a root asks the user, so only tests and benchmarks do this.
#include <windows.h>

#include <string>
#include <vector>

// The DER bytes of a base64 text; empty when it is not base64.
std::vector<BYTE> DerFromBase64(const std::string& base64);
bool TrustTestCa(const std::vector<BYTE>& der);
void ForgetTestCa(const std::vector<BYTE>& der);
