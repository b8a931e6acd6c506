#pragma once
// Message and input boxes shown with Qt, for the running program (tests use
// a scripted Dialogs instead). Both are modal over the active window, if any.
#include "platform/dialogs.h"

namespace vantor {

class QtDialogs : public Dialogs {
  public:
    // `style` takes the platform's numbers: buttons in the low bits (0 OK,
    // 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No), +256 makes the second button
    // the default, 16/32/48/64 choose the icon. CR LF line breaks are allowed.
    int msgBox(const QString& text, int style, const QString& title) override;
    // Text shown as typed; "" on Cancel.
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
};

}  // namespace vantor
