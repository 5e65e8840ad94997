// Renders the scalable icon into the PNG sizes the icon theme wants: icone SVG OUTDIR SIZE...
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ICON.svg OUTDIR SIZE...\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int lato = QString::fromLatin1(argv[i]).toInt();
        QImage img(lato, lato, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p);
        p.end();
        const QString nome =
            QStringLiteral("%1/velmora-%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(lato);
        if (!img.save(nome)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(nome));
            return 1;
        }
    }
    return 0;
}
