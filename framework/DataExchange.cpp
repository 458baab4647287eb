#include "DataExchange.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "CWnd.h"

namespace {

// Whole-number text: optional blanks, an optional sign, digits, optional blanks; nothing else.
bool ParseInteger(const CString& text, long long& value)
{
    std::string s(text.View());
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    std::size_t digits = 0;
    value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++digits) {
        if (value > 1'000'000'000'000LL) return false;
        value = value * 10 + (s[i] - '0');
    }
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (digits == 0 || i != s.size()) return false;
    if (negative) value = -value;
    return true;
}

} // namespace

void CDataExchange::Fail(const char* message)
{
    m_pDlgWnd->MessageBox(message, nullptr, MB_OK | MB_ICONEXCLAMATION);
    if (HWND control = m_pDlgWnd->GetDlgItem(m_idLastControl)) {
        ::SetFocus(control);
        char className[16] = {};
        ::GetClassNameA(control, className, sizeof className);
        if (lstrcmpiA(className, "Edit") == 0) ::SendMessageA(control, EM_SETSEL, 0, -1);
    }
    m_bFail = true;
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    if (dx->m_bFail) return;
    dx->m_idLastControl = id;
    if (dx->m_bSaveAndValidate)
        value = dx->m_pDlgWnd->GetDlgItemText(id);
    else
        dx->m_pDlgWnd->SetDlgItemText(id, value);
}

namespace {

// A whole number of the control in [low, high]; `refusal` is the message when it is not one.
template <class T>
void ExchangeNumber(CDataExchange* dx, int id, T& value, long long low, long long high, const char* refusal)
{
    if (dx->m_bFail) return;
    dx->m_idLastControl = id;
    if (!dx->m_bSaveAndValidate) {
        dx->m_pDlgWnd->SetDlgItemText(id, std::to_string(value).c_str());
        return;
    }
    long long parsed = 0;
    if (!ParseInteger(dx->m_pDlgWnd->GetDlgItemText(id), parsed) || parsed < low || parsed > high) {
        dx->Fail(refusal);
        return;
    }
    value = static_cast<T>(parsed);
}

} // namespace

void DDX_Text(CDataExchange* dx, int id, int& value)
{
    ExchangeNumber(dx, id, value, INT_MIN, INT_MAX, "Please enter an integer.");
}

void DDX_Text(CDataExchange* dx, int id, unsigned& value)
{
    ExchangeNumber(dx, id, value, 0, UINT_MAX, "Please enter a positive integer.");
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (dx->m_bFail) return;
    dx->m_idLastControl = id;
    if (!control.m_hWnd) control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd);
}

void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars)
{
    if (dx->m_bFail) return;
    if (!dx->m_bSaveAndValidate) {
        ::SendMessageA(dx->m_pDlgWnd->GetDlgItem(dx->m_idLastControl), EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        return;
    }
    if (value.GetLength() > maxChars) {
        char message[96];
        std::snprintf(message, sizeof message, "Please enter no more than %d characters.", maxChars);
        dx->Fail(message);
    }
}

namespace {

template <class T>
void CheckRange(CDataExchange* dx, T value, T minValue, T maxValue)
{
    if (dx->m_bFail || !dx->m_bSaveAndValidate) return;
    if (value < minValue || value > maxValue) {
        const std::string message = "Please enter an integer between " + std::to_string(minValue) + " and " +
                                    std::to_string(maxValue) + ".";
        dx->Fail(message.c_str());
    }
}

} // namespace

void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue)
{
    CheckRange(dx, value, minValue, maxValue);
}

void DDV_MinMaxUInt(CDataExchange* dx, unsigned value, unsigned minValue, unsigned maxValue)
{
    CheckRange(dx, value, minValue, maxValue);
}
