#include "e2e/harness/popup.h"

#include <algorithm>

#include "e2e/harness/desktop.h"

namespace vantor::e2e {

std::optional<Popup> popupShown(Screen& screen) {
    AccessibilityBus& bus = screen.bus();
    const Node window = screen.windowWithButton(kRepondre);
    if (!window.valid()) return std::nullopt;
    QList<Node> labels =
        bus.findAll(window, [&](const Node& n) { return bus.role(n) == QLatin1String("label"); });
    if (labels.size() != 4) return std::nullopt;
    // Top to bottom: mailbox, sender, subject, body.
    QList<std::pair<int, QString>> lines;
    // Mail bodies end their lines with CR LF; the label shows line breaks.
    for (const Node& l : labels)
        lines.append({bus.extents(l).top(),
                      bus.name(l).replace(QLatin1String("\r\n"), QLatin1String("\n"))});
    std::sort(lines.begin(), lines.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return Popup{window,          bus.extents(window), lines[0].second,
                 lines[1].second, lines[2].second,     lines[3].second};
}

std::optional<Popup> waitForPopup(Screen& screen, int ms) {
    std::optional<Popup> found;
    waitUntil([&] { return (found = popupShown(screen)).has_value(); }, ms);
    return found;
}

bool stillShown(Screen& screen, const Popup& popup) {
    const std::optional<Popup> now = popupShown(screen);
    return now && now->subject == popup.subject && now->from == popup.from &&
           now->mailbox == popup.mailbox && now->body == popup.body;
}

bool waitUntilLeft(Screen& screen, const Popup& popup, int ms) {
    return waitUntil([&] { return !stillShown(screen, popup); }, ms);
}

QRect popupButton(Screen& screen, const Popup& popup, const QString& name) {
    AccessibilityBus& bus = screen.bus();
    const Node b = bus.find(popup.window, QStringLiteral("push button"), name);
    return b.valid() ? bus.extents(b) : QRect();
}

bool keepOpen(Screen& screen, const Popup& popup) {
    AccessibilityBus& bus = screen.bus();
    QList<Node> labels = bus.findAll(
        popup.window, [&](const Node& n) { return bus.role(n) == QLatin1String("label"); });
    if (labels.isEmpty()) return false;
    // The body is the lowest label.
    QRect body;
    for (const Node& l : labels) {
        const QRect r = bus.extents(l);
        if (r.top() > body.top() || body.isNull()) body = r;
    }
    return desktop::moveTo(body.center()) && desktop::moveTo(body.center() + QPoint(2, 1));
}

bool clickPopup(Screen& screen, const Popup& popup, const QString& name, int button) {
    return desktop::clickIn(popupButton(screen, popup, name), button);
}

}  // namespace vantor::e2e
