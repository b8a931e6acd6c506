// The baseline of the start-up and memory figures: a Qt Widgets program with
// one empty window titled like the real one, and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Vantor"));
    window.resize(640, 480);
    window.show();
    return app.exec();
}
