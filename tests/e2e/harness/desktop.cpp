#include "e2e/harness/desktop.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <optional>

namespace vantor::e2e::desktop {
namespace {

// Runs a tool of the desktop; its standard output, or nullopt on a failure.
std::optional<QString> run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool xdotool(const QStringList& args) {
    return run(QStringLiteral("xdotool"), args).has_value();
}

// The X window under the pointer, as xdotool names it ("WINDOW=123").
QString windowUnderPointer() {
    const auto out = run(QStringLiteral("xdotool"),
                         {QStringLiteral("getmouselocation"), QStringLiteral("--shell")});
    if (!out) return {};
    for (const QString& line : out->split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("WINDOW="))) return line.mid(7);
    return {};
}

QString rootWindow() {
    static const QString root = [] {
        const auto out = run(QStringLiteral("xwininfo"), {QStringLiteral("-root")});
        static const QRegularExpression id(QStringLiteral("Window id: (0x[0-9a-f]+)"));
        const QRegularExpressionMatch m = id.match(out.value_or(QString()));
        bool ok = false;
        return m.hasMatch() ? QString::number(m.captured(1).toULongLong(&ok, 16)) : QString();
    }();
    return root;
}

}  // namespace

bool moveTo(QPoint p) {
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(p.x()),
                    QString::number(p.y())});
}

bool click(QPoint p, int button) {
    if (!moveTo(p)) return false;
    // A window the toolkit has just shown may not be mapped yet: a click
    // then would land on the desktop behind it.
    for (int i = 0; i < 100 && windowUnderPointer() == rootWindow(); ++i) QThread::msleep(50);
    return xdotool({QStringLiteral("click"), QString::number(button)});
}

bool doubleClick(QPoint p) {
    return moveTo(p) && xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                                 QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
}

bool clickIn(const QRect& r, int button) {
    return !r.isEmpty() && click(r.center(), button);
}

bool key(const QString& keys) {
    return xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40"), keys});
}

bool type(const QString& text) {
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

QSize screenSize() {
    const auto out = run(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")});
    if (!out) return {};
    const QStringList wh = out->simplified().split(QLatin1Char(' '));
    return wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize();
}

QList<QRect> trayIcons(const QString& title) {
    QList<QRect> icons;
    const auto tree =
        run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    if (!tree) return icons;
    // Lines such as:      0x600006 "Vantor": ("vantor" "Vantor")  22x22+0+0  +1257+777
    static const QRegularExpression line(QString::fromLatin1(
        R"re(^(\s*)0x[0-9a-f]+ "(.*)": \(.*\)\s+(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+))re"));
    int panelIndent = -1;
    for (const QString& text : tree->split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch()) continue;
        const int indent = static_cast<int>(m.capturedLength(1));
        if (panelIndent >= 0 && indent <= panelIndent) panelIndent = -1;
        if (m.captured(2) == QLatin1String("panel") && text.contains(QLatin1String("\"trayer\""))) {
            panelIndent = indent;
        } else if (panelIndent >= 0 && m.captured(2) == title) {
            icons.append({m.captured(5).toInt(), m.captured(6).toInt(), m.captured(3).toInt(),
                          m.captured(4).toInt()});
        }
    }
    return icons;
}

QRect trayIcon(const QString& title) {
    const QList<QRect> icons = trayIcons(title);
    return icons.isEmpty() ? QRect() : icons.first();
}

QString focusedWindowTitle() {
    const auto out = run(QStringLiteral("xdotool"),
                         {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")});
    return out ? out->trimmed() : QString();
}

}  // namespace vantor::e2e::desktop
