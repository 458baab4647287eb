#pragma once
// Message tables: each window class has one static array of entries that map a message, a
// command identifier (range) or a notification to a member function. A class's table is
// searched before its base class's. The entries are built by the small templates below, which
// wrap a pointer-to-member in a plain function, so a table reads as a list of
// (what arrives, which handler) pairs:
//
//   const MessageEntry CMainFrame::s_entries[] = {
//       OnMessage<WM_CREATE, &CMainFrame::OnCreate>(),
//       OnCommand<ID_NEW_TASK, &CMainFrame::OnNewTask>(),
//       OnUpdate<ID_DOWNLOAD_START, &CMainFrame::OnUpdateDownload>(),
//   };
#include <windows.h>
#include <commctrl.h>

#include <type_traits>

class CCmdTarget;
class CCmdUI;

enum class EntryKind {
    Message,        // a window message
    Command,        // WM_COMMAND from a menu, accelerator or control: id range, notification code
    Update,         // enabling request for a command id range (CCmdUI* in lParam)
    ReflectCommand, // a control's own WM_COMMAND notification, reflected back from its parent
    ReflectNotify,  // a control's own WM_NOTIFY, reflected back from its parent
};

using HandlerThunk = LRESULT (*)(CCmdTarget* self, WPARAM wParam, LPARAM lParam);

struct MessageEntry {
    EntryKind kind;
    UINT message;  // Message: the message; ReflectCommand/ReflectNotify/Command: the code
    UINT idFirst;
    UINT idLast;
    HandlerThunk thunk;
};

struct MessageTable {
    const MessageTable* base;
    const MessageEntry* entries;
    int count;
};

template <std::size_t N>
constexpr MessageTable MakeTable(const MessageTable* base, const MessageEntry (&entries)[N])
{
    return MessageTable{base, entries, static_cast<int>(N)};
}
constexpr MessageTable MakeTable(const MessageTable* base) { return MessageTable{base, nullptr, 0}; }

namespace detail {

template <class T> struct MemberOf;
template <class C, class R, class... A> struct MemberOf<R (C::*)(A...)> { using Class = C; };

// Calls a handler with the arguments its signature asks for.
template <auto Handler>
LRESULT Call(CCmdTarget* self, WPARAM wParam, LPARAM lParam)
{
    using H = decltype(Handler);
    using C = typename MemberOf<H>::Class;
    C* target = static_cast<C*>(self);
    if constexpr (std::is_same_v<H, void (C::*)()>) {
        (target->*Handler)();
        return 0;
    } else if constexpr (std::is_same_v<H, LRESULT (C::*)(WPARAM, LPARAM)>) {
        return (target->*Handler)(wParam, lParam);
    } else if constexpr (std::is_same_v<H, int (C::*)(LPCREATESTRUCTA)>) {
        return (target->*Handler)(reinterpret_cast<LPCREATESTRUCTA>(lParam));
    } else if constexpr (std::is_same_v<H, void (C::*)(UINT)>) {
        (target->*Handler)(static_cast<UINT>(wParam));   // command ranges: the command id
        return 0;
    } else if constexpr (std::is_same_v<H, void (C::*)(CCmdUI*)>) {
        (target->*Handler)(reinterpret_cast<CCmdUI*>(lParam));
        return 0;
    } else if constexpr (std::is_same_v<H, void (C::*)(NMHDR*, LRESULT*)>) {
        LRESULT result = 0;
        (target->*Handler)(reinterpret_cast<NMHDR*>(lParam), &result);
        return result;
    } else if constexpr (std::is_same_v<H, HBRUSH (C::*)(HDC, UINT)>) {
        return reinterpret_cast<LRESULT>((target->*Handler)(reinterpret_cast<HDC>(wParam), static_cast<UINT>(lParam)));
    } else {
        static_assert(sizeof(H) == 0, "unsupported handler signature");
    }
}

} // namespace detail

template <class C> using MemberClass = typename detail::MemberOf<C>::Class;

template <UINT Msg, auto Handler>
constexpr MessageEntry OnMessage() { return {EntryKind::Message, Msg, 0, 0, &detail::Call<Handler>}; }

template <UINT Id, auto Handler>
constexpr MessageEntry OnCommand() { return {EntryKind::Command, 0, Id, Id, &detail::Call<Handler>}; }

template <UINT First, UINT Last, auto Handler>
constexpr MessageEntry OnCommandRange() { return {EntryKind::Command, 0, First, Last, &detail::Call<Handler>}; }

template <UINT Id, auto Handler>
constexpr MessageEntry OnUpdate() { return {EntryKind::Update, 0, Id, Id, &detail::Call<Handler>}; }

template <UINT First, UINT Last, auto Handler>
constexpr MessageEntry OnUpdateRange() { return {EntryKind::Update, 0, First, Last, &detail::Call<Handler>}; }

template <UINT Code, auto Handler>
constexpr MessageEntry OnReflectCommand() { return {EntryKind::ReflectCommand, Code, 0, 0, &detail::Call<Handler>}; }

template <UINT Code, auto Handler>
constexpr MessageEntry OnReflectNotify() { return {EntryKind::ReflectNotify, Code, 0, 0, &detail::Call<Handler>}; }

// WM_CTLCOLORxxx reflected to the control: handler HBRUSH OnCtlColor(HDC, UINT ctlType).
// Any WM_CTLCOLORxxx, reflected from the parent to the control it is about.
constexpr UINT WM_REFLECT_CTLCOLOR = 0xBF00;

// Handler: HBRUSH OnCtlColor(HDC, UINT ctlType).
template <auto Handler>
constexpr MessageEntry OnReflectCtlColor() { return {EntryKind::Message, WM_REFLECT_CTLCOLOR, 0, 0, &detail::Call<Handler>}; }
