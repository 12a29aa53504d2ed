// Window classes and control identifiers of the main window, as other
// programs (and the end-to-end driver) find them.
#pragma once

namespace tarnwell::ids {

inline constexpr wchar_t kForm1Class[] = L"TarnwellForm1";

inline constexpr int kText1 = 101;
inline constexpr int kFrame1 = 102;
inline constexpr int kOption1 = 103;
inline constexpr int kOption2 = 104;
inline constexpr int kPushButton13 = 113;
inline constexpr int kPushButton1 = 111;

// Notification a push button sends its parent (WM_COMMAND, high word) when
// the pointer moves over it.
inline constexpr int kPushButtonMouseMove = 0x0100;

}  // namespace tarnwell::ids
