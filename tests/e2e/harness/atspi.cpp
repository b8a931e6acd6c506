#include "e2e/harness/atspi.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QThread>

namespace vantor::e2e {
namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kRegistry = QStringLiteral("org.a11y.atspi.Registry");
constexpr int kCallMs = 5000;

QDBusMessage call(QDBusConnection& bus, const Node& n, const QString& interface,
                  const QString& method, const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(n.bus, n.path, interface, method);
    m.setArguments(args);
    return bus.call(m, QDBus::Block, kCallMs);
}

QVariant getProperty(QDBusConnection& bus, const Node& n, const QString& interface,
                     const QString& name) {
    const QDBusMessage r = call(bus, n, QStringLiteral("org.freedesktop.DBus.Properties"),
                                QStringLiteral("Get"), {interface, name});
    if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return {};
    return r.arguments().first().value<QDBusVariant>().variant();
}

// An (so) reference, as the bus hands objects out.
Node readReference(const QDBusArgument& arg) {
    Node n;
    QDBusObjectPath path;
    arg.beginStructure();
    arg >> n.bus >> path;
    arg.endStructure();
    n.path = path.path();
    return n;
}

}  // namespace

AccessibilityBus::AccessibilityBus(QDBusConnection bus) : bus_(std::move(bus)) {}

std::unique_ptr<AccessibilityBus> AccessibilityBus::connect(QString* why) {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected()) {
        *why = QStringLiteral("no session bus: ") + session.lastError().message();
        return nullptr;
    }
    // Asking for the address starts the accessibility bus when needed.
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    const QDBusReply<QString> address = session.call(ask, QDBus::Block, 20000);
    if (!address.isValid() || address.value().isEmpty()) {
        *why = QStringLiteral("no accessibility bus (at-spi2-core): ") + address.error().message();
        return nullptr;
    }
    QDBusConnection a11y =
        QDBusConnection::connectToBus(address.value(), QStringLiteral("vantor-e2e-a11y"));
    if (!a11y.isConnected()) {
        *why = QStringLiteral("cannot reach the accessibility bus: ") + a11y.lastError().message();
        return nullptr;
    }
    std::unique_ptr<AccessibilityBus> result(new AccessibilityBus(a11y));
    // Programs publish events only for kinds somebody listens to.
    for (const QString& kind : {QStringLiteral("object:state-changed:showing")}) {
        QDBusMessage reg =
            QDBusMessage::createMethodCall(kRegistry, QStringLiteral("/org/a11y/atspi/registry"),
                                           kRegistry, QStringLiteral("RegisterEvent"));
        reg.setArguments({kind, QStringList(), QString()});
        if (a11y.call(reg, QDBus::Block, kCallMs).type() != QDBusMessage::ReplyMessage) {
            // Older registries take the event name alone.
            reg.setArguments({kind});
            a11y.call(reg, QDBus::Block, kCallMs);
        }
    }
    a11y.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                 QStringLiteral("StateChanged"), result.get(), SLOT(stateChanged(QDBusMessage)));
    return result;
}

void AccessibilityBus::stateChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2) return;
    if (args.at(0).toString() == QLatin1String("showing") && args.at(1).toInt() == 1)
        shown_.append({message.service(), message.path()});
}

QList<Node> AccessibilityBus::takeShown() {
    QCoreApplication::processEvents();
    QList<Node> result;
    result.swap(shown_);
    return result;
}

QList<Node> AccessibilityBus::applications() {
    return children({kRegistry, QStringLiteral("/org/a11y/atspi/accessible/root")});
}

Node AccessibilityBus::waitForApplication(const QString& appName, int ms) {
    Node found;
    waitUntil(
        [&] {
            for (const Node& app : applications()) {
                if (name(app) == appName) {
                    found = app;
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

QList<Node> AccessibilityBus::children(const Node& n) {
    QList<Node> result;
    const QDBusMessage r = call(bus_, n, kAccessible, QStringLiteral("GetChildren"));
    if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return result;
    const QDBusArgument arg = r.arguments().first().value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) result.append(readReference(arg));
    arg.endArray();
    return result;
}

QString AccessibilityBus::name(const Node& n) {
    return getProperty(bus_, n, kAccessible, QStringLiteral("Name")).toString();
}

QString AccessibilityBus::description(const Node& n) {
    return getProperty(bus_, n, kAccessible, QStringLiteral("Description")).toString();
}

QString AccessibilityBus::role(const Node& n) {
    const QDBusMessage r = call(bus_, n, kAccessible, QStringLiteral("GetRoleName"));
    if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return {};
    return r.arguments().first().toString();
}

bool AccessibilityBus::has(const Node& n, State s) {
    const QDBusMessage r = call(bus_, n, kAccessible, QStringLiteral("GetState"));
    if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return false;
    const QDBusArgument arg = r.arguments().first().value<QDBusArgument>();
    QList<uint> words;
    arg >> words;
    const auto bit = static_cast<unsigned>(s);
    return words.size() > static_cast<int>(bit / 32) && (words[bit / 32] >> (bit % 32)) & 1u;
}

QRect AccessibilityBus::extents(const Node& n) {
    // Coordinates of the screen (0), not of the window.
    const QDBusMessage r = call(bus_, n, QStringLiteral("org.a11y.atspi.Component"),
                                QStringLiteral("GetExtents"), {QVariant::fromValue(0u)});
    if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return {};
    const QDBusArgument arg = r.arguments().first().value<QDBusArgument>();
    int x = 0, y = 0, w = 0, h = 0;
    arg.beginStructure();
    arg >> x >> y >> w >> h;
    arg.endStructure();
    return {x, y, w, h};
}

QString AccessibilityBus::text(const Node& n) {
    const QDBusMessage r =
        call(bus_, n, QStringLiteral("org.a11y.atspi.Text"), QStringLiteral("GetText"), {0, -1});
    if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return {};
    return r.arguments().first().toString();
}

Node AccessibilityBus::find(const Node& root, const std::function<bool(const Node&)>& match,
                            bool hidden) {
    if (!root.valid()) return {};
    if (match(root)) return root;
    for (const Node& child : children(root)) {
        if (!hidden && !showing(child)) continue;
        const Node found = find(child, match, hidden);
        if (found.valid()) return found;
    }
    return {};
}

QList<Node> AccessibilityBus::findAll(const Node& root,
                                      const std::function<bool(const Node&)>& match, bool hidden) {
    QList<Node> result;
    if (!root.valid()) return result;
    if (match(root)) result.append(root);
    for (const Node& child : children(root)) {
        if (!hidden && !showing(child)) continue;
        result += findAll(child, match, hidden);
    }
    return result;
}

QString AccessibilityBus::describe(const Node& root, int depth) {
    const QRect r = extents(root);
    QString out = QString(depth * 2, QLatin1Char(' ')) +
                  QStringLiteral("[%1] \"%2\" (%3) %4,%5 %6x%7\n")
                      .arg(role(root), name(root).left(120), description(root).left(60))
                      .arg(r.x())
                      .arg(r.y())
                      .arg(r.width())
                      .arg(r.height());
    for (const Node& child : children(root))
        if (showing(child)) out += describe(child, depth + 1);
    return out;
}

bool waitUntil(const std::function<bool()>& done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (true) {
        if (done()) return true;
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(50);
    }
}

}  // namespace vantor::e2e
