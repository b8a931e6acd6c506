#pragma once
// Message and input boxes go through this seam so that tests can answer them.
#include <QString>

namespace vantor {

// Message box styles and answers, with the platform's numbers.
namespace msg {
inline constexpr int kOkOnly = 0;
inline constexpr int kYesNoCancelDefaultNo = 259;  // Yes, No, Cancel; No is the default
inline constexpr int kCritical = 16;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;

inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace msg

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal message box; returns the answer (msg::kOk, kYes, kNo, kCancel).
    virtual int msgBox(const QString& text, int style, const QString& title) = 0;
    // Modal input box; the text typed, or "" when cancelled.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;
};

}  // namespace vantor
