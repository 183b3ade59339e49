#pragma once
// The two texts of the "О Программе..." page.
#include <QString>

namespace vesk {

// Version history, newest first.
QString VersionHistoryText();
// How to use the program, and what to do about an unknown list address.
QString UsageNotesText();

}  // namespace vesk
