// The uninstaller in a temporary home and a temporary prefix: what it lists, and that removal goes
// to the freedesktop Trash, restorable, deleting nothing.
#include "disinstalla.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

void tocca(const QString& p, const QByteArray& contenuto = "x") {
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contenuto);
}

class DisinstallaProva : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(radice_.isValid());
        casa_ = radice_.filePath("casa");
        prefisso_ = radice_.filePath("prefisso");
        QDir().mkpath(casa_);
        qputenv("HOME", casa_.toUtf8());
        qputenv("XDG_DATA_HOME", (casa_ + "/.local/share").toUtf8());
        qputenv("XDG_CONFIG_HOME", (casa_ + "/.config").toUtf8());
        luoghi_.casa = casa_;
        luoghi_.prefisso = prefisso_;
        luoghi_.impostazioni = casa_ + "/.config/Velmora/Velmora.conf";
    }
    QString cestino(const QString& nome) const { return casa_ + "/.local/share/Trash/" + nome; }

    QTemporaryDir radice_;
    QString casa_, prefisso_;
    Disinstalla::Luoghi luoghi_;
};

TEST_F(DisinstallaProva, ElencaSoloCioCheEsisteNellOrdineDellaTabella) {
    EXPECT_TRUE(Disinstalla::elenco(luoghi_).isEmpty());  // already clean

    tocca(casa_ + "/.velmora_niente_ponte");
    tocca(prefisso_ + "/bin/velmora");
    tocca(casa_ + "/.velmora-build/qualcosa.o");
    tocca(prefisso_ + "/share/velmora/presets/TERVANE-OSTREL.json");
    tocca(luoghi_.impostazioni);
    tocca(Disinstalla::cartellaDiLavoro(casa_) + "/mio.json");

    auto cose = Disinstalla::elenco(luoghi_);
    QStringList percorsi;
    for (const auto& r : cose) percorsi << r.percorso;
    EXPECT_EQ(percorsi, (QStringList{prefisso_ + "/bin/velmora", prefisso_ + "/share/velmora",
                                     luoghi_.impostazioni, casa_ + "/.velmora-build",
                                     casa_ + "/.velmora_niente_ponte"}));
    EXPECT_EQ(cose.first().cosa, QStringLiteral("l'applicazione"));
    EXPECT_EQ(cose.last().cosa, QStringLiteral("la preferenza sul ponte audio"));

    // The working folder holds the user's own presets: listed only when the user agrees.
    luoghi_.cartellaDiLavoro = true;
    cose = Disinstalla::elenco(luoghi_);
    ASSERT_EQ(cose.size(), 6);
    EXPECT_EQ(cose[3].percorso, Disinstalla::cartellaDiLavoro(casa_));
}

TEST_F(DisinstallaProva, FiniscoNelCestinoERimettibili) {
    tocca(prefisso_ + "/bin/velmora", "binario");
    tocca(casa_ + "/.velmora_barra", "barra");
    tocca(casa_ + "/.velmora-live-build/a/b.txt", "b");
    const auto cose = Disinstalla::elenco(luoghi_);
    ASSERT_EQ(cose.size(), 3);

    EXPECT_TRUE(Disinstalla::esegui(cose).isEmpty());
    for (const auto& r : cose)
        EXPECT_FALSE(QFileInfo::exists(r.percorso)) << r.percorso.toStdString();

    // Each item sits in Trash/files with an info entry naming where it came from.
    QFile info(cestino("info/.velmora_barra.trashinfo"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    const QString testo = QString::fromUtf8(info.readAll());
    EXPECT_TRUE(testo.startsWith("[Trash Info]\n"));
    EXPECT_TRUE(testo.contains("Path=" + casa_ + "/.velmora_barra"));
    EXPECT_TRUE(testo.contains("DeletionDate="));
    QFile dentro(cestino("files/.velmora_barra"));
    ASSERT_TRUE(dentro.open(QIODevice::ReadOnly));
    EXPECT_EQ(dentro.readAll(), "barra");
    EXPECT_TRUE(QFileInfo::exists(cestino("files/.velmora-live-build/a/b.txt")));

    // Restoring is moving back to the recorded path.
    ASSERT_TRUE(QFile::rename(cestino("files/.velmora_barra"), casa_ + "/.velmora_barra"));
    EXPECT_TRUE(QFileInfo::exists(casa_ + "/.velmora_barra"));
}

// A path the Trash refuses is reported, and nothing else is touched or deleted.
TEST_F(DisinstallaProva, IlRifiutoDelCestinoVieneRiportato) {
    tocca(casa_ + "/.velmora_barra");
    QList<Rimozione> cose = Disinstalla::elenco(luoghi_);
    QString rifiutato;
    if (::geteuid() == 0) {
        rifiutato = QStringLiteral("/proc/self/status");  // no one can move this
    } else {
        tocca(casa_ + "/solaLettura/.velmora_uscita_precedente");
        rifiutato = casa_ + "/solaLettura/.velmora_uscita_precedente";
        QFile::setPermissions(casa_ + "/solaLettura", QFile::ReadOwner | QFile::ExeOwner);
    }
    cose.append({rifiutato, QStringLiteral("prova")});
    const QStringList falliti = Disinstalla::esegui(cose);
    EXPECT_EQ(falliti, QStringList{rifiutato});
    EXPECT_TRUE(QFileInfo::exists(rifiutato));
    EXPECT_FALSE(QFileInfo::exists(casa_ + "/.velmora_barra"));
    EXPECT_TRUE(QFileInfo::exists(cestino("files/.velmora_barra")));
    QFile::setPermissions(casa_ + "/solaLettura",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(DisinstallaProva, ElencoVuotoRiesce) {
    EXPECT_TRUE(Disinstalla::esegui({}).isEmpty());
}

}  // namespace
