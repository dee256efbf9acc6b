// The reference for start-up figures: the least a Qt Widgets program does to
// show one empty window.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(290, 377);
    window.show();
    return QApplication::exec();
}
