#include "e2e/harness/screen.h"

#include "e2e/harness/desktop.h"

namespace vantor::e2e {
namespace {

const QString kPushButton = QStringLiteral("push button");
const QString kLabel = QStringLiteral("label");
const QString kText = QStringLiteral("text");

}  // namespace

QStringList Menu::captions() const {
    QStringList result;
    for (const auto& [caption, node] : entries) result << caption;
    return result;
}

Node Menu::entry(const QString& caption) const {
    for (const auto& [c, node] : entries)
        if (c == caption) return node;
    return {};
}

QList<Node> Screen::windows() {
    QList<Node> result;
    for (const Node& w : bus_.children(app_))
        if (bus_.showing(w)) result << w;
    return result;
}

Node Screen::windowWithButton(const QString& button) {
    for (const Node& w : windows()) {
        if (bus_.find(w, kPushButton, button).valid()) return w;
    }
    return {};
}

std::optional<Box> Screen::box() {
    for (const Node& w : windows()) {
        const QString role = bus_.role(w);
        if (role != QLatin1String("alert message") && role != QLatin1String("dialog")) continue;
        QStringList lines;
        for (const Node& l :
             bus_.findAll(w, [&](const Node& n) { return bus_.role(n) == kLabel; })) {
            const QString t = bus_.name(l);
            if (!t.isEmpty()) lines << t;
        }
        return Box{
            w, bus_.name(w),
            lines.join(QLatin1Char('\n')).replace(QLatin1String("\r\n"), QLatin1String("\n"))};
    }
    return std::nullopt;
}

std::optional<Box> Screen::waitForBox(int ms) {
    std::optional<Box> found;
    waitUntil([&] { return (found = box()).has_value(); }, ms);
    return found;
}

bool Screen::press(const Node& window, const QString& button) {
    const Node b = bus_.find(window, kPushButton, button);
    return b.valid() && desktop::clickIn(bus_.extents(b));
}

bool Screen::answer(const Box& box, const QString& button) {
    return press(box.window, button) && waitUntil([&] { return !bus_.showing(box.window); }, 10000);
}

bool Screen::fill(const Node& field, const QString& text) {
    if (!field.valid() || !desktop::clickIn(bus_.extents(field))) return false;
    // Typed over the selection, as a user replaces a value: emptying the
    // field first would already count as a change.
    if (!desktop::key(QStringLiteral("ctrl+a"))) return false;
    return text.isEmpty() ? desktop::key(QStringLiteral("BackSpace")) : desktop::type(text);
}

Node Screen::gridField(const Node& window, const QString& row, const QString& column) {
    const Node rowLabel = bus_.find(window, kLabel, row);
    const Node columnLabel = bus_.find(window, kLabel, column);
    if (!rowLabel.valid() || !columnLabel.valid()) return {};
    const QRect r = bus_.extents(rowLabel);
    const QRect c = bus_.extents(columnLabel);
    return bus_.find(window, [&](const Node& n) {
        if (bus_.role(n) != kText) return false;
        const QRect f = bus_.extents(n);
        return std::abs(f.center().y() - r.center().y()) <= r.height() / 2 &&
               std::abs(f.left() - c.left()) <= 3;
    });
}

Node Screen::rowButton(const Node& window, const QString& row, const QString& button) {
    const Node rowLabel = bus_.find(window, kLabel, row);
    if (!rowLabel.valid()) return {};
    const QRect r = bus_.extents(rowLabel);
    return bus_.find(window, [&](const Node& n) {
        return bus_.role(n) == kPushButton && bus_.name(n) == button &&
               std::abs(bus_.extents(n).center().y() - r.center().y()) <= r.height();
    });
}

Node Screen::namedField(const Node& window, const QString& name) {
    return bus_.find(window, kText, name);
}

bool Screen::checked(const Node& window, const QString& checkBox) {
    const Node b = bus_.find(window, QStringLiteral("check box"), checkBox);
    return b.valid() && bus_.has(b, State::Checked);
}

QString Screen::tooltip() {
    for (const Node& w : windows())
        if (bus_.role(w) == QLatin1String("tool tip")) return bus_.name(w);
    return {};
}

QString Screen::tooltipAt(QPoint at, QPoint away) {
    desktop::moveTo(away);
    waitUntil([&] { return tooltip().isEmpty(); }, 5000);
    // A hand resting on a button still moves a pixel now and then; each move
    // starts the toolkit's tooltip delay again, as it does for the user.
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (!desktop::moveTo(at + QPoint(attempt % 2 == 0 ? -1 : 1, 0))) return {};
        if (waitUntil([&] { return !tooltip().isEmpty(); }, 1500)) break;
    }
    return tooltip();
}

Menu Screen::readMenu(const Node& node) {
    Menu menu{node, {}};
    for (const Node& item : bus_.children(node)) {
        if (bus_.role(item) != QLatin1String("menu item") || !bus_.showing(item)) continue;
        menu.entries.append({bus_.name(item), item});
    }
    return menu;
}

std::optional<Menu> Screen::waitForMenu(int ms) {
    std::optional<Menu> found;
    waitUntil(
        [&] {
            const QList<Node> shown = bus_.takeShown();
            for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
                const QString role = bus_.role(*it);
                if ((role == QLatin1String("popup menu") || role == QLatin1String("menu")) &&
                    bus_.showing(*it)) {
                    found = readMenu(*it);
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

bool Screen::hasSubmenu(const Menu& menu, const QString& caption) {
    const Node entry = menu.entry(caption);
    return entry.valid() && !bus_.children(entry).isEmpty();
}

std::optional<Menu> Screen::openSubmenu(const Menu& menu, const QString& caption) {
    const Node entry = menu.entry(caption);
    if (!entry.valid() || !hasSubmenu(menu, caption)) return std::nullopt;
    bus_.takeShown();
    if (!desktop::moveTo(bus_.extents(entry).center())) return std::nullopt;
    return waitForMenu(5000);
}

bool Screen::choose(const Menu& menu, const QString& caption) {
    const Node entry = menu.entry(caption);
    return entry.valid() && desktop::clickIn(bus_.extents(entry));
}

}  // namespace vantor::e2e
