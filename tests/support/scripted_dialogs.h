#pragma once
// Answers message and input boxes from a script and records what was shown.
#include <QString>
#include <algorithm>
#include <deque>
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
    std::vector<ShownBox> shown;

    int msgBox(const QString& text, int style, const QString& title) override {
        shown.push_back({false, text, style, title});
        return next(msgAnswers, msg::kOk);
    }
    QString inputBox(const QString& prompt, const QString& title, const QString&) override {
        shown.push_back({true, prompt, 0, title});
        return next(inputAnswers, QString());
    }
    int count(const QString& title) const {
        return int(std::count_if(shown.begin(), shown.end(), [&](auto& b) { return b.title == title; }));
    }

private:
    template <typename T>
    static T next(std::deque<T>& answers, T otherwise) {
        if (answers.empty()) return otherwise;
        T a = std::move(answers.front());
        answers.pop_front();
        return a;
    }
};

}  // namespace vantor::test
