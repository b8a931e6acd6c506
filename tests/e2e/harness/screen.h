#pragma once
// What one program shows on the screen, as the user reads it (through the
// accessibility bus), and the user's gestures on it (the real pointer and
// keyboard): message boxes, windows, fields, buttons, menus, tooltips.
#include <QList>
#include <QRect>
#include <QString>
#include <optional>
#include <utility>

#include "e2e/harness/atspi.h"

namespace vantor::e2e {

// A message box or an input box on screen.
struct Box {
    Node window;
    QString title;
    // Its texts (the message, the prompt), lines joined by "\n".
    QString text;
};

// A pop-up menu on screen and its entries, top to bottom.
struct Menu {
    Node node;
    QList<std::pair<QString, Node>> entries;
    QStringList captions() const;
    Node entry(const QString& caption) const;
};

class Screen {
  public:
    // `app` is the program's application object on the bus.
    Screen(AccessibilityBus& bus, Node app) : bus_(bus), app_(std::move(app)) {}
    AccessibilityBus& bus() { return bus_; }
    const Node& app() const { return app_; }

    // Its top-level windows that show.
    QList<Node> windows();
    // The showing top-level window holding a push button of that name.
    Node windowWithButton(const QString& button);

    // The message or input box on screen, if any.
    std::optional<Box> box();
    std::optional<Box> waitForBox(int ms);
    // Clicks the button of that name in `window`; false when there is none.
    bool press(const Node& window, const QString& button);
    // Clicks a box's button and waits until the box has gone.
    bool answer(const Box& box, const QString& button);

    // A text field: clicked, its text selected and typed over, as a user does.
    bool fill(const Node& field, const QString& text);
    // The field of a grid under the heading `column`, on the row of the label `row`.
    Node gridField(const Node& window, const QString& row, const QString& column);
    // The push button named `button` on the row of the label `row`, such as
    // a slot's search or archive button.
    Node rowButton(const Node& window, const QString& row, const QString& button);
    // The field that the label `name` names (its accessible name).
    Node namedField(const Node& window, const QString& name);
    bool checked(const Node& window, const QString& checkBox);

    // The tooltip on screen; "" when none shows.
    QString tooltip();
    // Rests the pointer on `at` after taking it to `away`, until a tooltip
    // shows; its text, or "" when none came.
    QString tooltipAt(QPoint at, QPoint away);

    // The menu that shows after the gesture just made, waiting up to `ms`.
    std::optional<Menu> waitForMenu(int ms);
    // Whether the entry opens a submenu rather than doing something.
    bool hasSubmenu(const Menu& menu, const QString& caption);
    // Opens the submenu of `caption`, resting the pointer on it, and returns it.
    std::optional<Menu> openSubmenu(const Menu& menu, const QString& caption);
    // Chooses an entry with the pointer.
    bool choose(const Menu& menu, const QString& caption);

  private:
    Menu readMenu(const Node& node);

    AccessibilityBus& bus_;
    Node app_;
};

}  // namespace vantor::e2e
