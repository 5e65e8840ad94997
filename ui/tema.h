// The palette, the fonts and the two-language texts of the desktop application.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <cmath>
#include <string_view>

namespace velmora {

class Macchina;

namespace tema {

inline QColor rgb(double r, double g, double b) {
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
}
inline QColor fondo() {
    return rgb(0.125, 0.141, 0.169);
}
inline QColor pannello() {
    return rgb(0.102, 0.118, 0.141);
}
inline QColor alzato() {
    return rgb(0.137, 0.157, 0.188);
}
inline QColor riga() {
    return rgb(0.055, 0.067, 0.086);
}
inline QColor bordo() {
    return rgb(0.224, 0.255, 0.298);
}
inline QColor inchio() {
    return rgb(0.902, 0.922, 0.949);
}
inline QColor tenue() {
    return rgb(0.553, 0.592, 0.643);
}
inline QColor blu() {
    return rgb(0.231, 0.576, 0.902);
}
inline QColor verde() {
    return rgb(0.2, 0.659, 0.42);
}
inline QColor giallo() {
    return rgb(0.82, 0.659, 0.149);
}
inline QColor rosso() {
    return rgb(0.8, 0.278, 0.278);
}
inline QColor gola() {
    return rgb(0.051, 0.063, 0.082);
}

// A colour with another opacity.
inline QColor alfa(QColor c, double a) {
    c.setAlphaF(static_cast<float>(a));
    return c;
}

// The five band colours, in band order.
inline QColor banda(int i) {
    static const double k[5][3] = {{0.93, 0.45, 0.3},
                                   {0.9, 0.72, 0.22},
                                   {0.35, 0.75, 0.42},
                                   {0.3, 0.62, 0.9},
                                   {0.66, 0.5, 0.9}};
    const int j = i < 0 ? 0 : (i > 4 ? 4 : i);
    return rgb(k[j][0], k[j][1], k[j][2]);
}

// Sizes are given in the points of the design (one point, one pixel at 1x); the text runs a
// little larger so it reads well on the usual Linux font rendering.
inline QFont carattere(double punti, bool mono = false, QFont::Weight peso = QFont::Normal) {
    QFont f(mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    if (mono) f.setStyleHint(QFont::Monospace);
    f.setPixelSize(static_cast<int>(std::lround(punti * 1.15 + 0.5)));
    f.setWeight(peso);
    return f;
}
inline QFont spaziato(double punti, QFont::Weight peso = QFont::DemiBold) {
    QFont f = carattere(punti, false, peso);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    return f;
}

}  // namespace tema

// The text in the interface language: English first, Italian second.
QString lingua(const Macchina& m, const char* en, const char* it);
// A UTF-8 text from the model or the catalogue.
inline QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace velmora
