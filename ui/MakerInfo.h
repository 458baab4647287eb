#pragma once
// The maker's addresses and the copyright line: the About box and the Help menu show them.

constexpr const char* kMakerWebsite = "http://www.orlebar.example/tarnwick/";
// Without a scheme: it is shown as it is, and opened as "mailto:" followed by it.
constexpr const char* kMakerMail = "support@orlebar.example";
constexpr const char* kCopyright = "Copyright (C) 2001-2026 Orlebar Co., Ltd.";
