#include "dialoghi/MemoVelkora.h"

#include "UtenteConParametri.h"
#include "params/TestoParametri.h"
#include "dialoghi/SelDir.h"

#include <QFileDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <functional>
#include <gtest/gtest.h>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::AltraPostazione;
using velkora::test::CurrentDirectory;
using velkora::test::RigaSalvata;
using velkora::test::UtenteConParametri;

namespace {

const QString kUpdateTesto = QStringLiteral(
    "Errore interno di UPDATE: impossibile aggiornare i parametri velkora dell'utente");
const QString kDelete = QStringLiteral(
    "Errore interno di DELETE: impossibile aggiornare la tabella TABVELKORA. Chiudere il programma "
    "e riaprirlo");
const QString kInsert = QStringLiteral(
    "Errore interno di INSERT: impossibile aggiornare la tabella TABVELKORA. Chiudere il programma "
    "e riaprirlo");

RigaSalvata riga(const QString& sezione, const QString& parametro,
                 const std::optional<QString>& valore, qint64 progressivo)
{
    return {sezione, parametro, valore, progressivo};
}

// Shows the editor through the recording message service, as the menu item does, and runs the
// script on it.
int esegui(UtenteConParametri& u, TMemoVelkoraForm& editor,
           const std::function<void(TMemoVelkoraForm&)>& script)
{
    u.folder.messages.onNextDialog([&](QDialog&) {
        script(editor);
        return editor.result();
    });
    return u.folder.messages.execDialog(editor);
}

// Opens the editor on user 7, replaces the memo's text and presses Ok.
void salva(UtenteConParametri& u, const QString& testo)
{
    TMemoVelkoraForm editor(nullptr, u.cella.get());
    esegui(u, editor, [&](TMemoVelkoraForm& w) {
        w.MemoTesto->setPlainText(testo);
        w.ButtonOk->click();
    });
}

TEST(MemoVelkora, ShowsTheStoredTextOfTheCurrentUser)
{
    struct Case
    {
        const char* name;
        const char* velkora; // the SQL expression stored in UTENTI.VELKORA of user 7
        qint32 utente;
        QString atteso;
    };
    const Case cases[] = {
        {"NULL", "NULL", 7, ""},
        {"no row of the user", "NULL", 99, ""},
        {"line feeds", "'[ALFA]' || ASCII_CHAR(10) || 'A=1' || ASCII_CHAR(10)", 7, "[ALFA]\nA=1\n"},
        {"carriage returns and line feeds, as a Windows editor leaves it",
         "'[ALFA]' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'A=1' || ASCII_CHAR(13) || "
         "ASCII_CHAR(10) "
         "|| 'B=2'",
         7, "[ALFA]\nA=1\nB=2"},
        {"a carriage return inside a line, which the reading rules drop",
         "'[ALFA]' || ASCII_CHAR(10) || 'A=1' || ASCII_CHAR(13) || '2'", 7, "[ALFA]\nA=12"},
        {"the code page's own characters",
         "'[CAFF' || ASCII_CHAR(232) || ']' || ASCII_CHAR(10) || 'EURO=' || ASCII_CHAR(128) || "
         "ASCII_CHAR(180) || ASCII_CHAR(160)",
         7, QStringLiteral("[CAFFè]\nEURO=€´\u00A0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UtenteConParametri u;
        u.exec(QStringLiteral("UPDATE UTENTI SET VELKORA=%1 WHERE CODICE=7")
                   .arg(QLatin1String(c.velkora)));
        u.form->NumUser = c.utente;
        TMemoVelkoraForm editor(nullptr, u.cella.get());
        EXPECT_EQ(editor.testo(), c.atteso);
        EXPECT_EQ(editor.MemoTesto->toPlainText().contains(QLatin1Char('\r')), false);
        EXPECT_TRUE(u.folder.messages.boxes().empty());
    }
}

TEST(MemoVelkora, IsTheDesignedWindow)
{
    UtenteConParametri u;
    TMemoVelkoraForm editor(nullptr, u.cella.get());
    // The caption names the user, not a company.
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Editazione parametri velkra - Ditta: ROSSI"));
    EXPECT_EQ(editor.size(), QSize(696, 480));
    EXPECT_EQ(editor.font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(editor.ButtonFile->text(), QStringLiteral("File"));
    EXPECT_EQ(editor.ButtonPercorso->text(), QStringLiteral("Percorso"));
    EXPECT_EQ(editor.ButtonOk->text(), QStringLiteral("Ok"));
    EXPECT_EQ(editor.ButtonCancel->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(editor.ButtonOk->isDefault());
    EXPECT_FALSE(editor.ButtonOk->icon().isNull());
    EXPECT_FALSE(editor.ButtonCancel->icon().isNull());
    EXPECT_EQ(editor.MemoTesto->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // Enter in the memo starts a line and Esc does nothing: the window stays open, and only Ok
    // or Cancel close it.
    QSignalSpy finished(&editor, &QDialog::finished);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    EXPECT_EQ(editor.focusWidget(), editor.MemoTesto);
    QTest::keyClicks(editor.MemoTesto, QStringLiteral("[ALFA]"));
    QTest::keyClick(editor.MemoTesto, Qt::Key_Return);
    QTest::keyClicks(editor.MemoTesto, QStringLiteral("A=1"));
    QTest::keyClick(editor.MemoTesto, Qt::Key_Enter);
    QTest::keyClick(editor.MemoTesto, Qt::Key_Escape);
    QTest::keyClick(&editor, Qt::Key_Escape);
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(editor.testo(), QStringLiteral("[ALFA]\nA=1\n"));

    // The memo grows with the window; the buttons above it follow the right edge.
    const QSize memo = editor.MemoTesto->size();
    const int destra = editor.width() - editor.ButtonPercorso->geometry().right();
    editor.resize(900, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.MemoTesto->width(), memo.width() + 204);
    EXPECT_EQ(editor.MemoTesto->height(), memo.height() + 120);
    EXPECT_EQ(editor.width() - editor.ButtonPercorso->geometry().right(), destra);
    editor.hide();
}

TEST(MemoVelkora, OkStoresTheTextAsTypedAndRebuildsTheRowsFromIt)
{
    struct Case
    {
        const char* name;
        QString digitato;
        QString salvato; // also what the memo shows after Ok
        std::vector<RigaSalvata> righe;
    };
    const Case cases[] = {
        {"an empty line ends the section",
         "[ALFA]\nPERCORSO=C:\\DATI\\\n\nX=1\n",
         "[ALFA]\nPERCORSO=C:\\DATI\\\n\nX=1\n",
         {riga("ALFA", "PERCORSO", "C:\\DATI\\", 1)}},
        {"sections numbered in text order, not in name order",
         "[BETA]\nB=2\n[ALFA]\nA=1",
         "[BETA]\nB=2\n[ALFA]\nA=1",
         {riga("BETA", "B", "2", 1), riga("ALFA", "A", "1", 2)}},
        {"apostrophes are removed from the memo, the text and the rows",
         "[DELL'ANNO]\nCARTELLA=C:\\Dell'Anno\\\nL'ALTRO='x'\n",
         "[DELLANNO]\nCARTELLA=C:\\DellAnno\\\nLALTRO=x\n",
         {riga("DELLANNO", "CARTELLA", "C:\\DellAnno\\", 1), riga("DELLANNO", "LALTRO", "x", 2)}},
        {"the code page's own characters, the acute accent and the no-break space",
         QStringLiteral("[CAFFè]\nEURO=€ 5´\nSPAZIO=a\u00A0b\n"),
         QStringLiteral("[CAFFè]\nEURO=€ 5´\nSPAZIO=a\u00A0b\n"),
         {riga("CAFFè", "EURO", "€ 5´", 1),
          riga("CAFFè", "SPAZIO", QStringLiteral("a\u00A0b"), 2)}},
        {"a line without '=' gives no row and keeps the section",
         "[ALFA]\nRIGA SENZA UGUALE\nA=1\n",
         "[ALFA]\nRIGA SENZA UGUALE\nA=1\n",
         {riga("ALFA", "A", "1", 1)}},
        {"an empty value is stored as NULL; blanks belong to name and value",
         "[ALFA]\nA=\n X = 2 \nB=x=y",
         "[ALFA]\nA=\n X = 2 \nB=x=y",
         {riga("ALFA", "A", std::nullopt, 1), riga("ALFA", " X ", " 2 ", 2),
          riga("ALFA", "B", "x=y", 3)}},
        {"an empty memo stores the empty text and no rows", "", "", {}},
        {"text that looks like a statement is only text",
         "[ALFA]\nX=; DELETE FROM UTENTI; --\nY=:VELKORA\n",
         "[ALFA]\nX=; DELETE FROM UTENTI; --\nY=:VELKORA\n",
         {riga("ALFA", "X", "; DELETE FROM UTENTI; --", 1), riga("ALFA", "Y", ":VELKORA", 2)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UtenteConParametri u;
        u.riga(7, QStringLiteral("ALFA"), QStringLiteral("VECCHIO"), QStringLiteral("1"));
        // The data form's company is reloaded from the user's row after Ok.
        u.form->DittaCorrente = QStringLiteral("ALTRA");
        const auto bianchi = u.righe(8);

        TMemoVelkoraForm editor(nullptr, u.cella.get());
        QString mostrato;
        const int result = esegui(u, editor, [&](TMemoVelkoraForm& w) {
            w.MemoTesto->setPlainText(c.digitato);
            w.ButtonOk->click();
            mostrato = w.testo();
            EXPECT_FALSE(w.isVisible());
        });
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(mostrato, c.salvato);
        ASSERT_TRUE(u.testoSalvato(7).has_value()); // the empty text, not NULL
        EXPECT_EQ(*u.testoSalvato(7), c.salvato);
        // One byte per character: the text is stored in the suite's code page.
        EXPECT_EQ(u.colonnaUtente(7, QStringLiteral("OCTET_LENGTH(VELKORA)")),
                  QString::number(c.salvato.size()));
        EXPECT_EQ(u.righe(7), c.righe);
        EXPECT_EQ(u.righe(8), bianchi);
        EXPECT_EQ(u.form->DittaCorrente, QStringLiteral("ALFA"));
        EXPECT_EQ(u.form->NomeUser, QStringLiteral("ROSSI"));
        EXPECT_TRUE(u.folder.messages.boxes().empty());
    }
}

TEST(MemoVelkora, TakesEveryRowOfALongText)
{
    // Far more rows than a fixed buffer of 4096 entries would hold, over several sections, the
    // longest values the table takes among them.
    UtenteConParametri u;
    QString testo;
    std::vector<RigaSalvata> attese;
    const int numero = 5000;
    for (int i = 1; i <= numero; ++i) {
        const QString sezione = QStringLiteral("DITTA%1").arg((i - 1) / 1000);
        if ((i - 1) % 1000 == 0)
            testo += QLatin1Char('[') + sezione + QStringLiteral("]\n");
        const QString valore =
            i % 997 == 0 ? QString(2048, QLatin1Char('v')) : QStringLiteral("C:\\DATI\\%1").arg(i);
        testo += QStringLiteral("P%1=").arg(i) + valore + QLatin1Char('\n');
        attese.push_back(riga(sezione, QStringLiteral("P%1").arg(i), valore, i));
    }
    salva(u, testo);
    EXPECT_TRUE(u.folder.messages.boxes().empty());
    EXPECT_EQ(u.testoSalvato(7), testo);
    EXPECT_EQ(u.righe(7), attese);
}

TEST(MemoVelkora, CancelStoresNothing)
{
    struct Case
    {
        const char* name;
        std::function<void(TMemoVelkoraForm&)> chiudi;
    };
    const Case cases[] = {
        {"the Cancel button", [](TMemoVelkoraForm& w) { w.ButtonCancel->click(); }},
        {"the title-bar close button", [](TMemoVelkoraForm& w) { w.close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UtenteConParametri u;
        u.exec(QStringLiteral(
            "UPDATE UTENTI SET VELKORA='[ALFA]' || ASCII_CHAR(10) || 'A=1' WHERE CODICE=7"));
        u.riga(7, QStringLiteral("ALFA"), QStringLiteral("A"), QStringLiteral("1"));
        const auto prima = u.righe(7);
        TMemoVelkoraForm editor(nullptr, u.cella.get());
        const int result = esegui(u, editor, [&](TMemoVelkoraForm& w) {
            w.MemoTesto->setPlainText(QStringLiteral("[BETA]\nB=2\n"));
            c.chiudi(w);
        });
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(u.testoSalvato(7), QStringLiteral("[ALFA]\nA=1"));
        EXPECT_EQ(u.righe(7), prima);
        EXPECT_TRUE(u.folder.messages.boxes().empty());
    }
}

TEST(MemoVelkora, AFailureSaysWhatFailedAndKeepsTheOldRows)
{
    const QString nuovo = QStringLiteral("[BETA]\nB=2\nC=3\n");
    const std::vector<RigaSalvata> nuoveRighe = {riga("BETA", "B", "2", 1),
                                                 riga("BETA", "C", "3", 2)};
    struct Case
    {
        const char* name;
        QString testo;
        // What another workstation holds locked while the user presses Ok.
        const char* blocco;
        QStringList messaggi;
        bool testoSalvato;
        bool righeNuove;
    };
    const Case cases[] = {
        {"the user's row is locked: the text is not stored, the rows are rebuilt",
         nuovo,
         "UPDATE UTENTI SET DITTA='ALFA' WHERE CODICE=7",
         {kUpdateTesto},
         false,
         true},
        {"a row of the user is locked: the delete fails, the old rows stay",
         nuovo,
         "UPDATE TABVELKORA SET VALORE='x' WHERE UTENTE=7",
         {kDelete},
         true,
         false},
        {"a value longer than the table takes: no row is lost silently",
         QStringLiteral("[BETA]\nB=2\nLUNGO=") + QString(2049, QLatin1Char('x')) +
             QLatin1Char('\n'),
         nullptr,
         {kInsert},
         true,
         false},
        {"a section name longer than the table takes",
         QStringLiteral("[") + QString(101, QLatin1Char('S')) + QStringLiteral("]\nB=2\n"),
         nullptr,
         {kInsert},
         true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UtenteConParametri u;
        u.exec(QStringLiteral(
            "UPDATE UTENTI SET VELKORA='[ALFA]' || ASCII_CHAR(10) || 'A=1' WHERE CODICE=7"));
        u.riga(7, QStringLiteral("ALFA"), QStringLiteral("A"), QStringLiteral("1"));
        const auto prima = u.righe(7);
        {
            std::optional<AltraPostazione> altra;
            if (c.blocco)
                altra.emplace(u.folder.userDatabase(), QString::fromLatin1(c.blocco));
            TMemoVelkoraForm editor(nullptr, u.cella.get());
            const int result = esegui(u, editor, [&](TMemoVelkoraForm& w) {
                w.MemoTesto->setPlainText(c.testo);
                w.ButtonOk->click();
            });
            // The window closes after Ok in every case.
            EXPECT_EQ(result, QDialog::Accepted);
        }
        EXPECT_EQ(u.folder.messages.texts(), c.messaggi);
        for (const auto& box : u.folder.messages.boxes()) {
            EXPECT_EQ(box.kind, BoxKind::Error);
            // The engine's own words go to the detail, not into the message.
            EXPECT_FALSE(box.detail.isEmpty());
        }
        EXPECT_EQ(u.testoSalvato(7), c.testoSalvato ? c.testo : QStringLiteral("[ALFA]\nA=1"));
        if (c.righeNuove)
            EXPECT_EQ(u.righe(7), nuoveRighe);
        else
            EXPECT_EQ(u.righe(7), prima);
    }
}

TEST(MemoVelkora, FileAndFolderButtonsPutThePathAtTheCaret)
{
    UtenteConParametri u;
    QFile file(u.cartella(QStringLiteral("C/DATI/ARCHIVIO.FDB")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString iniziale = QStringLiteral("[ALFA]\nA=XX\nB=");

    struct Case
    {
        const char* name;
        // Selects the memo's text to replace (nothing: the caret at the end).
        int selezioneDa;
        int selezioneA;
        std::function<void(TMemoVelkoraForm&)> premi;
        std::function<int(QDialog&)> scelta;
        QString atteso;
    };
    const auto scegliFile = [&](const QString& percorso) {
        return [=](QDialog& d) {
            auto& dialog = dynamic_cast<QFileDialog&>(d);
            dialog.selectFile(percorso);
            // QFileDialog's own accept() checks the chosen name, as a click on Open does.
            d.accept();
            return d.result();
        };
    };
    const auto scegliCartella = [&](const QString& percorso) {
        return [=](QDialog& d) {
            auto& dialog = dynamic_cast<TSelDirForm&>(d);
            EXPECT_TRUE(dialog.DirectoryListBox1->setDirectory(percorso));
            dialog.ButtonOk->click();
            return dialog.result();
        };
    };
    const auto file_ = [](TMemoVelkoraForm& w) { w.ButtonFile->click(); };
    const auto percorso = [](TMemoVelkoraForm& w) { w.ButtonPercorso->click(); };
    const Case cases[] = {
        {"a file at the caret", -1, -1, file_, scegliFile(u.cartella("C/DATI/ARCHIVIO.FDB")),
         iniziale + QStringLiteral("C:\\DATI\\ARCHIVIO.FDB")},
        {"a file in place of the selection", 9, 11, file_,
         scegliFile(u.cartella("C/DATI/ARCHIVIO.FDB")),
         QStringLiteral("[ALFA]\nA=C:\\DATI\\ARCHIVIO.FDB\nB=")},
        {"the file dialog cancelled", -1, -1, file_,
         [](QDialog& d) {
             d.reject();
             return d.result();
         },
         iniziale},
        {"a folder gets one backslash at its end", -1, -1, percorso,
         scegliCartella(u.cartella("C/DATI")), iniziale + QStringLiteral("C:\\DATI\\")},
        {"the root of a drive gets no second backslash", 9, 11, percorso,
         scegliCartella(u.cartella("D")), QStringLiteral("[ALFA]\nA=D:\\\nB=")},
        {"the folder chooser cancelled", -1, -1, percorso,
         [](QDialog& d) {
             dynamic_cast<TSelDirForm&>(d).ButtonCancel->click();
             return d.result();
         },
         iniziale},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        u.folder.messages.clear();
        TMemoVelkoraForm editor(nullptr, u.cella.get());
        esegui(u, editor, [&](TMemoVelkoraForm& w) {
            w.MemoTesto->setPlainText(iniziale);
            QTextCursor cursore = w.MemoTesto->textCursor();
            if (c.selezioneDa >= 0) {
                cursore.setPosition(c.selezioneDa);
                cursore.setPosition(c.selezioneA, QTextCursor::KeepAnchor);
            } else {
                cursore.movePosition(QTextCursor::End);
            }
            w.MemoTesto->setTextCursor(cursore);
            u.folder.messages.onNextDialog(c.scelta);
            c.premi(w);
            EXPECT_EQ(w.testo(), c.atteso);
            w.ButtonCancel->click();
        });
        EXPECT_TRUE(u.folder.messages.boxes().empty());
    }
}

TEST(SelDir, ChoosesAFolderOfADrive)
{
    UtenteConParametri u;
    const platform::DriveMap& dischi = u.form->environment().drives;
    CurrentDirectory cwd(u.cartella(QStringLiteral("C/DATI")));
    TSelDirForm chooser(nullptr, dischi);
    EXPECT_EQ(chooser.windowTitle(), QStringLiteral("Selezione Percorso"));
    EXPECT_EQ(chooser.size(), QSize(221, 326));
    EXPECT_EQ(chooser.minimumSize(), chooser.maximumSize());
    EXPECT_FALSE(chooser.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(chooser.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(chooser.Label1->text(), QStringLiteral("Percorso"));
    EXPECT_EQ(chooser.Label4->text(), QStringLiteral("&Unità disco:"));
    EXPECT_EQ(chooser.Label4->buddy(), chooser.DriveComboBox1);
    EXPECT_FALSE(chooser.ButtonOk->isDefault());
    EXPECT_EQ(chooser.DriveComboBox1->count(), 3);

    // It starts at the process's current folder, on its drive.
    EXPECT_EQ(chooser.DriveComboBox1->drive(), QLatin1Char('c'));
    EXPECT_EQ(chooser.DirectoryListBox1->drivePath(), QStringLiteral("C:\\DATI\\"));
    QStringList voci;
    for (int i = 0; i < chooser.DirectoryListBox1->count(); ++i)
        voci << chooser.DirectoryListBox1->item(i)->text().trimmed();
    EXPECT_EQ(voci, (QStringList{"c:\\", "DATI", "SUB"}));

    // A double click on a folder opens it.
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
    QListWidget* lista = chooser.DirectoryListBox1;
    const QPoint sub = lista->visualItemRect(lista->item(2)).center();
    QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, sub);
    QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, sub);
    EXPECT_EQ(chooser.DirectoryListBox1->drivePath(), QStringLiteral("C:\\DATI\\SUB\\"));

    // Another drive shows its own current folder (its root, as the process's folder is not on
    // it); back on c the folder opened there is still current.
    chooser.DriveComboBox1->setDrive(QLatin1Char('d'));
    EXPECT_EQ(chooser.DirectoryListBox1->drivePath(), QStringLiteral("D:\\"));
    EXPECT_EQ(chooser.DirectoryListBox1->directory(), u.cartella(QStringLiteral("D/")));
    chooser.DriveComboBox1->setDrive(QLatin1Char('c'));
    EXPECT_EQ(chooser.DirectoryListBox1->drivePath(), QStringLiteral("C:\\DATI\\SUB\\"));
    // A drive that is not ready shows its root alone.
    chooser.DriveComboBox1->setDrive(QLatin1Char('e'));
    EXPECT_EQ(chooser.DirectoryListBox1->drivePath(), QStringLiteral("E:\\"));
    EXPECT_EQ(chooser.DirectoryListBox1->count(), 1);

    // Enter opens the folder under the cursor and does not close the window; Esc does nothing.
    chooser.DriveComboBox1->setDrive(QLatin1Char('d'));
    lista->setFocus();
    lista->setCurrentRow(1);
    QTest::keyClick(lista, Qt::Key_Return);
    QTest::keyClick(&chooser, Qt::Key_Escape);
    EXPECT_TRUE(chooser.isVisible());
    EXPECT_EQ(chooser.DirectoryListBox1->drivePath(), QStringLiteral("D:\\DATI\\"));
    chooser.ButtonOk->click();
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
}

} // namespace
