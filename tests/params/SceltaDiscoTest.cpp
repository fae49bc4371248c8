#include "dialoghi/SceltaDisco.h"

#include "UtenteConParametri.h"
#include "params/LetteraDisco.h"
#include "params/ParameterText.h"
#include "dialoghi/ComandoSceltaDisco.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::AltraPostazione;
using velkora::test::CurrentDirectory;
using velkora::test::RigaSalvata;
using velkora::test::UtenteConParametri;

namespace {

const QString kNegata = QStringLiteral(
    "Operazione negata: scegliere un'utente ed inserire l'eventuale password. Fare attenzione al "
    "maiuscolo / minuscolo");
const QString kNonValido = QStringLiteral("Attenzione: il disco impostato non è valido");
const QString kFallita = QStringLiteral(
    "Errore interno di UPDATE: impossibile modificare la lettera disco nelle impostazioni "
    "dell'utente");
const QString kEffettuato = QStringLiteral("Aggiornamento percorsi effettuato");

TEST(LetteraDisco, ReplacesOnlyTheLetterBeforeTheFirstDrivePath)
{
    const struct
    {
        const char* valore;
        const char* atteso;
    } cases[] = {
        {"C:\\DATI\\ARCHIVIO.FDB", "d:\\DATI\\ARCHIVIO.FDB"},
        {"D:\\TMP;E:\\OUT", "d:\\TMP;E:\\OUT"},
        {"archivio in \\\\server\\C:\\x", "archivio in \\\\server\\d:\\x"},
        {"senza percorso", "senza percorso"},
        {"C:DATI", "C:DATI"},
        {":\\radice", ":\\radice"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.valore);
        EXPECT_EQ(conLetteraDisco(QString::fromLatin1(c.valore), QLatin1Char('d')),
                  QString::fromLatin1(c.atteso));
    }
}

TEST(LetteraDisco, OffersTheLastDriveWhileItIsThere)
{
    UtenteConParametri u;
    platform::DriveMap dischi = u.form->environment().drives;
    // p holds the program folder; e is mapped to a folder that is missing.
    dischi.map(QLatin1Char('p'), u.folder.path());
    const struct
    {
        const char* name;
        QChar ultimo;
        QString cartellaProgramma;
        QChar atteso;
    } cases[] = {
        {"the last drive", QLatin1Char('d'), u.folder.path(), QLatin1Char('d')},
        {"the last drive stored in upper case", QLatin1Char('D'), u.folder.path(),
         QLatin1Char('d')},
        {"none stored: the program's drive", QChar(), u.folder.path(), QLatin1Char('p')},
        {"a drive not ready: the program's", QLatin1Char('e'), u.folder.path(), QLatin1Char('p')},
        {"a drive not mapped: the program's", QLatin1Char('z'), u.folder.path(), QLatin1Char('p')},
        {"the program's folder on the deepest drive holding it", QChar(), u.cartella("D/DATI"),
         QLatin1Char('d')},
        {"no drive holds the program: the first one", QChar(), QStringLiteral("/altrove/"),
         QLatin1Char('c')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(discoDaOffrire(dischi, c.ultimo, c.cartellaProgramma), c.atteso);
    }
}

// The main window's side of the command: its two statements in its no-wait transaction, and the
// user's rows, with the current directory where the failure file goes.
class SceltaDisco : public ::testing::Test
{
protected:
    SceltaDisco() : cwd(u.folder.path())
    {
        TransazioneAux.params() << QStringLiteral("isc_tpb_concurrency")
                                << QStringLiteral("isc_tpb_nowait");
        u.exec(QStringLiteral("UPDATE UTENTI SET VELKORA='scritto a mano' WHERE CODICE=7"));
    }

    // Runs the command for ROSSI; the dialog is answered by the script.
    EsitoSceltaDisco esegui(const std::function<int(TSceltaDiscoForm&)>& script,
                            const QString& password = QStringLiteral("segreta"))
    {
        u.folder.messages.onNextDialog(
            [&](QDialog& d) { return script(dynamic_cast<TSceltaDiscoForm&>(d)); });
        return eseguiSceltaDisco(*u.form, QueryAux, QueryAux2, nullptr, QStringLiteral("ROSSI"),
                                 password);
    }

    // A script that picks the drive and presses Ok.
    static std::function<int(TSceltaDiscoForm&)> scegli(char lettera, QChar* offerta = nullptr)
    {
        return [=](TSceltaDiscoForm& w) {
            if (offerta)
                *offerta = w.ComboDisco->drive();
            EXPECT_TRUE(w.ComboDisco->setDrive(QLatin1Char(lettera)));
            w.ButtonOk->click();
            return w.result();
        };
    }

    // The text the regeneration gives for the user's committed rows.
    QString testoRigenerato(qint32 utente)
    {
        db::Transaction t(&u.database());
        db::Query q(&u.database(), &t);
        q.add(
            QStringLiteral("SELECT INTESTAZIONE, PARAMETRO, VALORE FROM TABVELKORA WHERE UTENTE=%1 "
                           "AND INTESTAZIONE IS NOT NULL ORDER BY INTESTAZIONE, PROGRESSIVO")
                .arg(utente));
        q.open();
        std::vector<ParameterRow> rows;
        for (q.first(); !q.eof(); q.next())
            rows.push_back({q.asString(0).isNull() ? QStringLiteral("") : q.asString(0),
                            q.asString(1), q.asString(2), 0});
        return writeParameterText(rows);
    }

    UtenteConParametri u;
    CurrentDirectory cwd;
    db::Transaction TransazioneAux{&u.form->IBDatabaseUser};
    db::Query QueryAux{&u.form->IBDatabaseUser, &TransazioneAux};
    db::Query QueryAux2{&u.form->IBDatabaseUser, &TransazioneAux};
};

TEST_F(SceltaDisco, GivesEveryDrivePathOfTheUserTheChosenLetter)
{
    const struct
    {
        const char* sezione; // nullptr: NULL
        const char* parametro;
        const char* valore;
        const char* atteso;
    } righe[] = {
        {"ALFA", "ARCHIVIO", "C:\\DATI\\ARCHIVIO.FDB", "d:\\DATI\\ARCHIVIO.FDB"},
        {"ALFA", "TMP", "D:\\TMP;E:\\OUT", "d:\\TMP;E:\\OUT"},
        {"ALFA", "NOME", "senza percorso", "senza percorso"},
        {"ALFA", "INIZIO", ":\\radice", ":\\radice"},
        {"L'AQUILA", "DELL'ANNO", "C:\\Dell'Anno\\", "d:\\Dell'Anno\\"},
        // Rows that no statement naming the section by text can reach keep their letter, and
        // the row of the empty section beside them gets its own value, not theirs.
        {nullptr, "P", "C:\\NULLA", "C:\\NULLA"},
        {"", "P", "E:\\VUOTA", "d:\\VUOTA"},
        {"BETA", nullptr, "C:\\SENZANOME", "C:\\SENZANOME"},
        // Two rows with one section and name: each keeps its own path.
        {"ALFA", "DOPPIO", "C:\\UNO", "d:\\UNO"},
        {"ALFA", "DOPPIO", "E:\\DUE", "d:\\DUE"},
    };
    for (const auto& r : righe)
        u.riga(7, r.sezione ? QString::fromUtf8(r.sezione) : QString(),
               r.parametro ? QString::fromUtf8(r.parametro) : QString(),
               QString::fromUtf8(r.valore));
    const auto bianchi = u.righe(8);
    const auto velkoraBianchi = u.testoSalvato(8);

    QChar offerta;
    EXPECT_EQ(esegui(scegli('d', &offerta)), EsitoSceltaDisco::Eseguita);
    // Nothing stored yet, and no drive holds the program folder: the first drive is offered.
    EXPECT_EQ(offerta, QLatin1Char('c'));
    EXPECT_EQ(u.folder.messages.dialogTitles(), QStringList{QStringLiteral("Scelta disco")});
    EXPECT_EQ(u.folder.messages.texts(), QStringList{kEffettuato});
    EXPECT_EQ(u.folder.messages.boxes().front().kind, BoxKind::Information);

    const auto dopo = u.righe(7);
    ASSERT_EQ(dopo.size(), std::size(righe));
    for (size_t i = 0; i < dopo.size(); ++i) {
        SCOPED_TRACE(righe[i].valore);
        EXPECT_EQ(dopo[i].valore, QString::fromUtf8(righe[i].atteso));
    }
    EXPECT_EQ(u.righe(8), bianchi);
    EXPECT_EQ(u.testoSalvato(8), velkoraBianchi);
    EXPECT_EQ(u.colonnaUtente(7, QStringLiteral("ULTIMODISCOSCELTO")), QStringLiteral("d"));
    // The hand-written text gives way to the one regenerated from the rows.
    EXPECT_EQ(u.testoSalvato(7), testoRigenerato(7));
    EXPECT_TRUE(u.testoSalvato(7)->contains(QStringLiteral("ARCHIVIO=d:\\DATI\\ARCHIVIO.FDB\n")));
    EXPECT_FALSE(QFile::exists(u.folder.file(QStringLiteral("Ombrix.SceltaDisco.sql"))));

    // Next time the drive chosen now is offered first; a cancelled dialog writes nothing.
    u.folder.messages.clear();
    const auto scritte = u.righe(7);
    EXPECT_EQ(esegui([&](TSceltaDiscoForm& w) {
                  offerta = w.ComboDisco->drive();
                  w.ComboDisco->setDrive(QLatin1Char('c'));
                  w.ButtonCancel->click();
                  return w.result();
              }),
              EsitoSceltaDisco::Annullata);
    EXPECT_EQ(offerta, QLatin1Char('d'));
    EXPECT_TRUE(u.folder.messages.boxes().empty());
    EXPECT_EQ(u.righe(7), scritte);
    EXPECT_EQ(u.colonnaUtente(7, QStringLiteral("ULTIMODISCOSCELTO")), QStringLiteral("d"));
}

TEST_F(SceltaDisco, AUserWithoutDrivePathsOnlyGetsTheLetterRemembered)
{
    u.riga(7, QStringLiteral("ALFA"), QStringLiteral("NOME"), QStringLiteral("nessun percorso"));
    const auto prima = u.righe(7);
    EXPECT_EQ(esegui(scegli('C')), EsitoSceltaDisco::Eseguita);
    EXPECT_EQ(u.folder.messages.texts(), QStringList{kEffettuato});
    EXPECT_EQ(u.righe(7), prima);
    // The drive list gives its letters in lower case, whatever was asked of it.
    EXPECT_EQ(u.colonnaUtente(7, QStringLiteral("ULTIMODISCOSCELTO")), QStringLiteral("c"));
    EXPECT_EQ(u.testoSalvato(7), QStringLiteral("[ALFA]\nNOME=nessun percorso\n"));
}

TEST_F(SceltaDisco, OffersTheStoredDriveOnlyWhileItIsThere)
{
    const struct
    {
        const char* ultimo; // nullptr: NULL
        QChar offerta;
    } cases[] = {
        {nullptr, QLatin1Char('c')}, {"", QLatin1Char('c')},  {"d", QLatin1Char('d')},
        {"D", QLatin1Char('d')},     {"e", QLatin1Char('c')}, {"z", QLatin1Char('c')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ultimo ? c.ultimo : "NULL");
        u.exec(QStringLiteral("UPDATE UTENTI SET ULTIMODISCOSCELTO=%1 WHERE CODICE=7")
                   .arg(c.ultimo ? db::quoted(QString::fromLatin1(c.ultimo))
                                 : QStringLiteral("NULL")));
        u.folder.messages.clear();
        QChar offerta;
        EXPECT_EQ(esegui([&](TSceltaDiscoForm& w) {
                      offerta = w.ComboDisco->drive();
                      w.close();
                      return w.result();
                  }),
                  EsitoSceltaDisco::Annullata);
        EXPECT_EQ(offerta, c.offerta);
        EXPECT_TRUE(u.folder.messages.boxes().empty());
        EXPECT_EQ(u.testoSalvato(7), QStringLiteral("scritto a mano"));
    }
}

TEST_F(SceltaDisco, ADriveThatIsNotReadyIsRefusedAndTheDialogStaysOpen)
{
    u.riga(7, QStringLiteral("ALFA"), QStringLiteral("ARCHIVIO"), QStringLiteral("C:\\DATI"));
    const auto prima = u.righe(7);
    EXPECT_EQ(esegui([&](TSceltaDiscoForm& w) {
                  EXPECT_EQ(w.windowTitle(), QStringLiteral("Scelta disco"));
                  EXPECT_EQ(w.size(), QSize(232, 131));
                  EXPECT_EQ(w.Label1->text(), QStringLiteral("Ultimo disco"));
                  EXPECT_TRUE(w.ButtonOk->isDefault());
                  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
                  EXPECT_EQ(w.ComboDisco->count(), 3);
                  EXPECT_EQ(w.ComboDisco->itemText(0).left(2), QStringLiteral("c:"));
                  QSignalSpy finished(&w, &QDialog::finished);
                  w.ComboDisco->setDrive(QLatin1Char('e'));
                  w.ButtonOk->click();
                  QTest::keyClick(&w, Qt::Key_Escape);
                  EXPECT_TRUE(w.isVisible());
                  EXPECT_EQ(finished.count(), 0);
                  w.ButtonCancel->click();
                  return w.result();
              }),
              EsitoSceltaDisco::Annullata);
    EXPECT_EQ(u.folder.messages.texts(), QStringList{kNonValido});
    EXPECT_EQ(u.folder.messages.boxes().front().kind, BoxKind::Warning);
    EXPECT_EQ(u.righe(7), prima);
    EXPECT_EQ(u.colonnaUtente(7, QStringLiteral("ULTIMODISCOSCELTO")), std::nullopt);
}

TEST_F(SceltaDisco, AWrongPasswordStopsBeforeAnything)
{
    for (const char* password : {"", "SEGRETA", "segreta "}) {
        SCOPED_TRACE(password);
        u.folder.messages.clear();
        EXPECT_EQ(eseguiSceltaDisco(*u.form, QueryAux, QueryAux2, nullptr, QStringLiteral("ROSSI"),
                                    QString::fromLatin1(password)),
                  EsitoSceltaDisco::PasswordRifiutata);
        EXPECT_EQ(u.folder.messages.texts(), QStringList{kNegata});
        EXPECT_EQ(u.folder.messages.boxes().front().kind, BoxKind::Error);
        EXPECT_TRUE(u.folder.messages.dialogTitles().isEmpty());
    }
}

TEST_F(SceltaDisco, AFailedUpdateUndoesTheWholeRunAndSavesTheStatement)
{
    const struct
    {
        const char* name;
        const char* blocco; // what another workstation holds locked
        QStringList righe;  // the lines of the statement saved
    } cases[] = {
        {"a value's row is locked",
         "UPDATE TABVELKORA SET VALORE=VALORE WHERE PARAMETRO='TMP'",
         {"UPDATE TABVELKORA SET VALORE='d:\\TMP;E:\\OUT'", "WHERE (UTENTE='7')AND",
          "(INTESTAZIONE='ALFA')AND", "(PARAMETRO='TMP')AND", "(VALORE='D:\\TMP;E:\\OUT')"}},
        {"the user's row is locked",
         "UPDATE UTENTI SET DITTA=DITTA WHERE CODICE=7",
         {"UPDATE UTENTI SET ULTIMODISCOSCELTO='d'", "WHERE CODICE='7'"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        u.exec(QStringLiteral("DELETE FROM TABVELKORA WHERE UTENTE=7"));
        u.riga(7, QStringLiteral("ALFA"), QStringLiteral("ARCHIVIO"), QStringLiteral("C:\\DATI"));
        u.riga(7, QStringLiteral("ALFA"), QStringLiteral("LOG"), QStringLiteral("E:\\LOG"));
        u.riga(7, QStringLiteral("ALFA"), QStringLiteral("TMP"), QStringLiteral("D:\\TMP;E:\\OUT"));
        u.exec(QStringLiteral("UPDATE UTENTI SET ULTIMODISCOSCELTO='c', VELKORA='scritto a mano' "
                              "WHERE CODICE=7"));
        const auto prima = u.righe(7);
        // An earlier file of that name is replaced.
        QFile vecchio(u.folder.file(QStringLiteral("Ombrix.SceltaDisco.sql")));
        ASSERT_TRUE(vecchio.open(QIODevice::WriteOnly));
        vecchio.write(QByteArray(500, 'x'));
        vecchio.close();
        u.folder.messages.clear();
        {
            AltraPostazione altra(u.folder.userDatabase(), QString::fromLatin1(c.blocco));
            EXPECT_EQ(esegui(scegli('d')), EsitoSceltaDisco::Fallita);
        }
        EXPECT_EQ(u.folder.messages.texts(), QStringList{kFallita});
        EXPECT_EQ(u.folder.messages.boxes().front().kind, BoxKind::Error);
        EXPECT_FALSE(u.folder.messages.boxes().front().detail.isEmpty());
        EXPECT_EQ(u.righe(7), prima);
        EXPECT_EQ(u.colonnaUtente(7, QStringLiteral("ULTIMODISCOSCELTO")), QStringLiteral("c"));
        EXPECT_EQ(u.testoSalvato(7), QStringLiteral("scritto a mano"));

        QFile salvato(u.folder.file(QStringLiteral("Ombrix.SceltaDisco.sql")));
        ASSERT_TRUE(salvato.open(QIODevice::ReadOnly));
        EXPECT_EQ(platform::fromCp1252(salvato.readAll()),
                  c.righe.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));

        // The transaction is usable again: the next run succeeds.
        u.folder.messages.clear();
        EXPECT_EQ(esegui(scegli('d')), EsitoSceltaDisco::Eseguita);
        EXPECT_EQ(u.righe(7)[2].valore, QStringLiteral("d:\\TMP;E:\\OUT"));
    }
}

} // namespace
