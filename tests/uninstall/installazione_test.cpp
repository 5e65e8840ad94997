// A real install into a temporary prefix, then the uninstaller: every installed file is listed and
// goes to the Trash, and nothing of Velmora is left in the prefix.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

#include "disinstalla.h"

namespace {

QStringList fileSotto(const QString& radice) {
    QStringList trovati;
    QDirIterator it(radice, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) trovati << it.next();
    return trovati;
}

TEST(Installazione, LInstallazioneSparisceNelCestino) {
    const QString prefisso = qEnvironmentVariable("VELMORA_PREFISSO_PROVA");
    if (prefisso.isEmpty()) GTEST_SKIP() << "run through the installazione_e_disinstalla test";
    ASSERT_FALSE(fileSotto(prefisso).isEmpty()) << "nothing was installed";
    ASSERT_TRUE(QFileInfo::exists(prefisso + "/bin/velmora-render"));
    ASSERT_TRUE(QFileInfo::exists(prefisso + "/share/applications/velmora.desktop"));

    QTemporaryDir casa;
    qputenv("HOME", casa.path().toUtf8());
    qputenv("XDG_DATA_HOME", (casa.path() + "/.local/share").toUtf8());
    Disinstalla::Luoghi luoghi;
    luoghi.casa = casa.path();
    luoghi.prefisso = prefisso;

    const auto cose = Disinstalla::elenco(luoghi);
    EXPECT_TRUE(Disinstalla::esegui(cose).isEmpty());
    // Only empty folders may remain; every file went to the Trash.
    EXPECT_EQ(fileSotto(prefisso), QStringList{});
    EXPECT_TRUE(QFileInfo::exists(casa.path() + "/.local/share/Trash/files/velmora-render"));
}

}  // namespace
