#pragma once
// The code of the failure an action throws, for tests that expect one.
#include <QString>

#include "platform/failure.h"

namespace vantor::test {

// The code of the failure `action` throws, or 0 when it throws none.
template <typename Action>
std::int32_t failureCode(Action&& action, QString* description = nullptr) {
    try {
        action();
    } catch (const Failure& f) {
        if (description) *description = f.description();
        return f.code();
    }
    return 0;
}

}  // namespace vantor::test
