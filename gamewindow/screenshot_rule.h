// Where a screenshot goes and what the player is told about it. Pictures go to a folder of their
// own inside the player's Pictures folder, named after the local time to the second; a second
// picture within the same second gets a number ("-2", "-3", ...) and an existing file is never
// overwritten. Names hold only ASCII letters, digits and '-', whatever the system's language.
#pragma once

#include <cstdint>
#include <string>

namespace qorv::gamewindow {

inline constexpr wchar_t kScreenshotFolder[] = L"BrindleQorvane";
// Tries past this many taken names in one second mean something else is wrong.
inline constexpr int kScreenshotNameTries = 100;

struct LocalTime {
  int year, month, day, hour, minute, second;
};

// attempt 1 is the plain name, BrindleQorvane-YYYYMMDD-HHMMSS.png; attempt n > 1 adds "-n".
std::wstring ScreenshotFileName(const LocalTime& time, int attempt);

// Why a screenshot was not made, for the balloon.
enum class ScreenshotFailure {
  kNotVisible,       // hidden or minimised: nothing of the game is on screen to take
  kNoPicturesFolder, // the player's Pictures folder is missing
  kCaptureFailed,    // the window gave no picture
  kWriteFailed,      // the file could not be written (winError says why)
  kTooManyInASecond,
};

inline constexpr wchar_t kScreenshotBalloonTitle[] = L"截图";

// The balloon's text after a saved screenshot: where it went and that a click opens the folder.
std::wstring ScreenshotSavedText(const std::wstring& path);
// The balloon's text when nothing was saved. winError is the system's error code of a failed
// write (0 when there is none); the common ones are named, others are given by number.
std::wstring ScreenshotFailedText(ScreenshotFailure failure, uint32_t winError = 0);

}  // namespace qorv::gamewindow
