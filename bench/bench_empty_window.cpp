// The baseline of the start-up and memory figures: a Qt Widgets program with
// one empty window titled like the real one, and nothing else. With --text
// the window shows one line of text and is sized to it before it is shown, as
// a window laid out around its text is: what such a window pays for the font
// set-up on top of the empty one.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool text = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    QWidget empty;
    QLabel line(QStringLiteral("Vantor"));
    QWidget& window = text ? static_cast<QWidget&>(line) : empty;
    window.setWindowTitle(QStringLiteral("Vantor"));
    window.resize(640, 480);
    if (text) window.resize(window.sizeHint().expandedTo(QSize(640, 480)));
    window.show();
    return app.exec();
}
