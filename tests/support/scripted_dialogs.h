#pragma once
// Answers message and input boxes from a script and records what was shown.
#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "platform/dialogs.h"

namespace vantor::test {

struct ShownBox {
    bool input = false;
    QString text;   // message text, or the input box's prompt
    int style = 0;
    QString title;
};

class ScriptedDialogs : public Dialogs {
public:
    // Answers for the next message boxes; msg::kOk once the queue is empty.
    std::deque<int> msgAnswers;
    // Answers for the next input boxes; "" (cancel) once the queue is empty.
    std::deque<QString> inputAnswers;
    // Runs while a box is "open", as the user could act meanwhile.
    std::function<void(const ShownBox&)> whileOpen;
    std::vector<ShownBox> shown;

    int msgBox(const QString& text, int style, const QString& title) override {
        shown.push_back({false, text, style, title});
        if (whileOpen) whileOpen(shown.back());
        if (msgAnswers.empty()) return msg::kOk;
        const int a = msgAnswers.front();
        msgAnswers.pop_front();
        return a;
    }
    QString inputBox(const QString& prompt, const QString& title, const QString&) override {
        shown.push_back({true, prompt, 0, title});
        if (whileOpen) whileOpen(shown.back());
        if (inputAnswers.empty()) return QString();
        QString a = inputAnswers.front();
        inputAnswers.pop_front();
        return a;
    }
    int count(const QString& title) const {
        int n = 0;
        for (const auto& b : shown) n += b.title == title;
        return n;
    }
};

}  // namespace vantor::test
