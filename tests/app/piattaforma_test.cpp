#include "piattaforma.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

namespace {

TEST(Versione, ConfrontaNumeroPerNumero) {
    EXPECT_TRUE(velmora::almeno("0.3.64", 0, 3, 64));
    EXPECT_TRUE(velmora::almeno("0.3.65-rc1", 0, 3, 64));
    EXPECT_TRUE(velmora::almeno("1.0", 0, 3, 64));
    EXPECT_TRUE(velmora::almeno("0.10.0", 0, 3, 64));
    EXPECT_FALSE(velmora::almeno("0.3.63", 0, 3, 64));
    EXPECT_FALSE(velmora::almeno("0.2.99", 0, 3, 64));
    EXPECT_FALSE(velmora::almeno("", 0, 3, 64));
    EXPECT_FALSE(velmora::almeno("sconosciuta", 0, 3, 64));
}

TEST(PiattaformaVera, ConosceLaSuaLibreria) {
    velmora::PiattaformaVera p;
    const velmora::VersioneAudio v = p.versioneAudio();
    EXPECT_TRUE(velmora::almeno(v.libreria, 0, 3, 0)) << v.libreria;
}

TEST(PiattaformaVera, ApreUnaVoceDesktopSenzaLeSueSigle) {
    QTemporaryDir cartella;
    const QString segno = cartella.filePath("aperto");
    const QString voce = cartella.filePath("suono.desktop");
    QFile f(voce);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[Desktop Entry]\nName=Suono\n[Desktop Action x]\nExec=false\n[Desktop Entry]\n"
        "Exec=touch \"" +
        segno.toUtf8() + "\" %U\n");
    f.close();
    velmora::PiattaformaVera p;
    EXPECT_FALSE(p.apri("non e' un indirizzo"));
    ASSERT_TRUE(p.apri(QUrl::fromLocalFile(voce).toString().toStdString()));
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(segno) && t.elapsed() < 5000) QThread::msleep(10);
    EXPECT_TRUE(QFile::exists(segno));  // "%U" was dropped, the quoted path kept whole
}

}  // namespace
