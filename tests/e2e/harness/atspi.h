#pragma once
// What the user sees, read as a screen reader reads it: the desktop's
// accessibility bus (AT-SPI over D-Bus), on which Qt programs publish their
// windows and widgets when accessibility is on. Read-only: acting is left to
// the real pointer and keyboard (desktop.h).
#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

namespace vantor::e2e {

// One object of an application on the bus: a window, a widget, a menu entry.
struct Node {
    QString bus;
    QString path;
    bool valid() const { return !bus.isEmpty() && !path.isEmpty(); }
    bool operator==(const Node&) const = default;
};

// The states this harness looks at (AT-SPI's numbering).
enum class State : unsigned {
    Active = 1,
    Checked = 4,
    Enabled = 8,
    Focused = 12,
    Iconified = 15,
    Showing = 25,
    Visible = 30,
};

class AccessibilityBus : public QObject {
    Q_OBJECT
  public:
    // Connects to the accessibility bus announced on the session bus, and
    // asks to be told when objects show (menus are nobody's children).
    // Null, with the reason in `why`, when there is none.
    static std::unique_ptr<AccessibilityBus> connect(QString* why);

    // Applications registered on the bus, by their names.
    QList<Node> applications();
    // The first application of that name, waiting for it up to `ms`.
    Node waitForApplication(const QString& name, int ms);

    QList<Node> children(const Node& n);
    QString name(const Node& n);
    QString description(const Node& n);
    QString role(const Node& n);
    bool has(const Node& n, State s);
    bool showing(const Node& n) { return has(n, State::Showing); }
    // Where the object is on the screen, in pixels.
    QRect extents(const Node& n);
    // The text an editable field or a text view holds.
    QString text(const Node& n);

    // Depth-first search below `root` (root included); subtrees of objects
    // that do not show are skipped unless `hidden`.
    Node find(const Node& root, const std::function<bool(const Node&)>& match, bool hidden = false);
    QList<Node> findAll(const Node& root, const std::function<bool(const Node&)>& match,
                        bool hidden = false);
    Node find(const Node& root, const QString& role, const QString& name) {
        return find(root,
                    [&](const Node& n) { return this->role(n) == role && this->name(n) == name; });
    }

    // The showing objects below `root`, one a line, indented by depth: for
    // the report of a failing test.
    QString describe(const Node& root, int depth = 0);

    // Objects that became visible since the last call, latest last: how a
    // menu is found, as a screen reader follows it.
    QList<Node> takeShown();

  private slots:
    void stateChanged(const QDBusMessage& message);

  private:
    explicit AccessibilityBus(QDBusConnection bus);
    QDBusConnection bus_;
    QList<Node> shown_;
};

// Runs `done` until it is true or `ms` pass, letting the bus deliver meanwhile.
bool waitUntil(const std::function<bool()>& done, int ms);

}  // namespace vantor::e2e
