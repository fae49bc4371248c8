#include "data/TabX.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "dialoghi/MemoVelkora.h"
#include "dialoghi/SceltaDisco.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

using namespace velkora;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

// The main window on a database with one project: ROSSI may edit his parameters and move his
// paths to another drive, BIANCHI may not; drive d is a folder of the test.
class ParametriTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        folder.makeFolder(QStringLiteral("D"));
        test::attach(setup, folder.userDatabase());
        const char* sql[] = {
            "INSERT INTO PROFILI (CODICE, LIVELLOPREDEFINITO) VALUES (1, 'A')",
            "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (10, 'Anagrafiche', '')",
            "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 10)",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, PWDUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO, "
            "ACCESSOVELKORA, ABILITASCELTADISCO) VALUES (1, 'ROSSI', 'Segreta', 'ALFA', 1, 1, '1', "
            "'1')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
            "VALUES (2, 'BIANCHI', 'ALFA', 1, 1)",
            "INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
            "VALUES (1, 'ALFA', 'ARCHIVIO', 'C:\\DATI\\A.FDB', 1)",
        };
        for (const char* s : sql)
            test::exec(setup, QString::fromUtf8(s));
        setup.detach();
        platform::Environment environment = folder.environment();
        environment.drives.map(QLatin1Char('d'), folder.file(QStringLiteral("D")));
        CurrentDirectory cwd(folder.path());
        w = std::make_unique<TBaseMainForm>(environment);
    }

    void scegliUtente(const QString& nome, const QString& password)
    {
        w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(nome));
        w->EditPassword->setText(password);
    }

    QString leggi(const QString& sql)
    {
        db::Database& database = w->tabX()->IBDatabaseUser;
        db::Transaction t(&database);
        db::Query q(&database, &t);
        q.add(sql);
        q.open();
        return q.isEmpty() ? QString() : q.asString(0);
    }

    ProgramFolder folder;
    db::Database setup;
    std::unique_ptr<TBaseMainForm> w;
};

TEST_F(ParametriTest, TheDiskButtonOfTheLoginPanelMovesThePathsOfTheChosenUser)
{
    scegliUtente(QStringLiteral("BIANCHI"), QString());
    EXPECT_TRUE(w->ButtonSceltaDisco->isHidden());
    scegliUtente(QStringLiteral("ROSSI"), QStringLiteral("sbagliata"));
    ASSERT_FALSE(w->ButtonSceltaDisco->isHidden());

    // A refused password empties the password box and shows no dialog.
    w->ButtonSceltaDisco->click();
    EXPECT_EQ(folder.messages.texts(),
              QStringList{QStringLiteral("Operazione negata: scegliere un'utente ed inserire "
                                         "l'eventuale password. Fare attenzione al maiuscolo / "
                                         "minuscolo")});
    EXPECT_TRUE(w->EditPassword->text().isEmpty());
    EXPECT_TRUE(folder.messages.dialogTitles().isEmpty());

    folder.messages.clear();
    w->EditPassword->setText(QStringLiteral("Segreta"));
    folder.messages.onNextDialog([](QDialog& d) {
        auto& dialog = dynamic_cast<TSceltaDiscoForm&>(d);
        dialog.ComboDisco->setDrive(QLatin1Char('d'));
        dialog.ButtonOk->click();
        return dialog.result();
    });
    w->ButtonSceltaDisco->click();
    EXPECT_EQ(folder.messages.texts(),
              QStringList{QStringLiteral("Aggiornamento percorsi effettuato")});
    EXPECT_EQ(w->EditPassword->text(), QStringLiteral("Segreta"));
    EXPECT_EQ(leggi(QStringLiteral("SELECT VALORE FROM TABVELKORA WHERE UTENTE=1")),
              QStringLiteral("d:\\DATI\\A.FDB"));
    EXPECT_EQ(leggi(QStringLiteral("SELECT ULTIMODISCOSCELTO FROM UTENTI WHERE CODICE=1")),
              QStringLiteral("d"));
    EXPECT_EQ(leggi(QStringLiteral("SELECT VELKORA FROM UTENTI WHERE CODICE=1")),
              QStringLiteral("[ALFA]\nARCHIVIO=d:\\DATI\\A.FDB\n"));
}

TEST_F(ParametriTest, TheSystemMenuOpensTheEditorOfTheLoggedInUser)
{
    EXPECT_FALSE(w->Accessoavelkora1->isEnabled());
    scegliUtente(QStringLiteral("ROSSI"), QStringLiteral("Segreta"));
    w->ButtonOk->click();
    ASSERT_TRUE(w->Accessoavelkora1->isEnabled());
    folder.messages.clear();

    folder.messages.onNextDialog([](QDialog& d) {
        auto& editor = dynamic_cast<TMemoVelkoraForm&>(d);
        EXPECT_TRUE(editor.testo().isEmpty()); // nothing stored in UTENTI.VELKORA yet
        editor.MemoTesto->setPlainText(QStringLiteral("[ALFA]\nARCHIVIO=E:\\A.FDB\n[BETA]\nX=1\n"));
        editor.ButtonOk->click();
        return editor.result();
    });
    w->Accessoavelkora1->trigger();
    EXPECT_EQ(folder.messages.dialogTitles(),
              QStringList{QStringLiteral("Editazione parametri velkra - Ditta: ROSSI")});
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_EQ(leggi(QStringLiteral("SELECT COUNT(*) FROM TABVELKORA WHERE UTENTE=1")),
              QStringLiteral("2"));
    // The data form still works for the same user, and now reads the new value.
    EXPECT_EQ(w->tabX()->NomeUser, QStringLiteral("ROSSI"));
    EXPECT_EQ(w->tabX()->CaricaParametro(QStringLiteral("ARCHIVIO")), QStringLiteral("E:\\A.FDB"));
}

} // namespace
