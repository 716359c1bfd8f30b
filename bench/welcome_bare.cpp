// The peer of the Welcome Screen bench: the least a Qt program needs to put a Qt Quick scene on
// screen the way the launcher does, a bare top-level widget with a native-child Qt Quick view.
// Usage: welcome_bare <scene.qml>

#include <QApplication>
#include <QQuickView>
#include <QUrl>
#include <QWidget>
#include <QWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QWidget top;
    top.setWindowTitle(QStringLiteral("welcome_bare"));
    top.resize(800, 600);
    // The top-level needs its native window before the view can be its child.
    top.winId();
    QQuickView view(top.windowHandle());
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setSource(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    if (view.status() != QQuickView::Ready)
        return 1;
    view.setGeometry(0, 0, 800, 600);
    view.show();
    top.show();
    return app.exec();
}
