#pragma once

// Workstations editing the same table, for the tests of the record-editing services: each has
// its own data form (its own attachment to the company database), a dataset over the customers,
// a save button and a recording message service. Used in-process by the embedded engine and
// through the server on loopback.

#include "data/TabX.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/Transaction.h"
#include "db/UpdateSql.h"
#include "platform/SilentAbort.h"
#include "support/Clienti.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QSysInfo>
#include <gtest/gtest.h>
#include <memory>

namespace velkora::test {

inline const QColor kVerde(0, 160, 0);
inline const QColor kRosso(200, 0, 0);

// The colour of the picture the button shows now; invalid when it shows none.
inline QColor coloreFigura(const QPushButton& pulsante)
{
    if (pulsante.icon().isNull())
        return {};
    return pulsante.icon().pixmap(QSize(16, 16)).toImage().pixelColor(8, 8);
}

class Postazione
{
public:
    // databaseName: a local path (embedded) or "server/port:path".
    Postazione(const QString& databaseName, const QString& utente)
        : form(nullptr, 3, folder.environment())
    {
        folder.makeFolder(QStringLiteral("Grafica"));
        for (const auto& [nome, colore] : {std::pair{QStringLiteral("Verde.bmp"), kVerde},
                                           std::pair{QStringLiteral("Rosso.bmp"), kRosso}}) {
            QImage figura(16, 16, QImage::Format_RGB32);
            figura.fill(colore);
            figura.save(folder.file(QStringLiteral("Grafica/") + nome), "BMP");
        }
        form.SetVerde(folder.file(QStringLiteral("Grafica/Verde.bmp")));
        form.SetRosso(folder.file(QStringLiteral("Grafica/Rosso.bmp")));
        form.NomeUser = utente;
        form.IBDatabase1.setDatabaseName(databaseName);
        form.IBDatabase1.params() = {QStringLiteral("user_name=SYSDBA"),
                                     QStringLiteral("password=quillbark")};
        form.IBDatabase1.attach();
        datiClienti(data, holder);
        data.open();
        setTagPulsante(salva, 0);
    }

    // The editing state handed to the services, as a data window keeps it.
    void salvaEAggiorna() { form.ChiudiTransEAggiorna(data, segnalibro, valido, salva); }
    void salvaSolo() { form.ChiudiTransazione(data, segnalibro, valido, salva); }
    void annulla() { form.Annulla(data, segnalibro, valido, salva); }
    bool elimina() { return form.Elimina(data, segnalibro, valido, salva); }
    void azzera(const QString& tabella) { form.Azzera(data, segnalibro, valido, salva, tabella); }
    void chiudi() { form.Chiudi(data, segnalibro, valido, salva); }
    void aggiornaDaPulsante() { form.AggiornamentoDaPulsante(data, segnalibro, valido, salva); }

    // Moves to the customer of that code; false when the dataset does not hold it.
    bool vaiA(int codice) { return data.locate(QStringLiteral("CODICE"), QString::number(codice)); }

    // The lock probe on the current row: true when the edit may begin.
    bool prova(const QString& tabella = QStringLiteral("CLIENTI"))
    {
        try {
            form.EventoBeforeEditDataSet(data, salva, tabella);
            return true;
        } catch (const platform::SilentAbort&) {
            return false;
        }
    }

    // The probe, then the edit of the current row's name, posted as the window does.
    bool modifica(const QString& nome)
    {
        if (!prova())
            return false;
        data.edit();
        data.setField(QStringLiteral("NOME"), nome);
        data.post();
        return true;
    }

    ProgramFolder folder;
    TTabXForm form;
    db::UpdateSql holder;
    db::QueryDataSet data{&form.IBDatabase1, &form.IBTransaction1};
    QPushButton salva;
    Segnalibro segnalibro;
    bool valido = false;
};

// The committed customers as "code:name", read through an attachment of its own.
inline QStringList clientiSalvati(const QString& databaseName)
{
    db::Database lettore;
    lettore.setDatabaseName(databaseName);
    lettore.params() = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
    lettore.attach();
    db::Transaction t(&lettore);
    db::Query q(&lettore, &t);
    q.add(QStringLiteral("SELECT CODICE, NOME FROM CLIENTI ORDER BY CODICE"));
    q.open();
    QStringList righe;
    for (; !q.eof(); q.next())
        righe << q.asString(0) + u':' + q.asString(1);
    return righe;
}

inline const QString kAltriUtenti = QStringLiteral(
    "Attenzione: altri utenti stanno lavorando su questo record. Provare ad aggiornare la griglia. "
    "Nel caso "
    "in cui questo messaggio riapparisse, provare ad editare il record in un secondo momento.");
inline const QString kGiaCancellato = QStringLiteral(
    "Questo record è già stato cancellato da un altro utente in un'altra sessione di lavoro");
inline const QString kImpossibileCancellare = QStringLiteral(
    "Impossibile cancellare questo record, altri utenti stanno lavorando su questo record.");

// The one box a workstation was shown, checked for kind and text; its detail is returned.
inline QString unicoBox(Postazione& p, platform::BoxKind kind, const QString& text)
{
    const auto& boxes = p.folder.messages.boxes();
    EXPECT_EQ(boxes.size(), 1u) << p.folder.messages.texts().join(QLatin1Char('|')).toStdString();
    if (boxes.empty())
        return {};
    EXPECT_EQ(boxes.front().kind, kind);
    EXPECT_EQ(boxes.front().text, text);
    const QString detail = boxes.front().detail;
    p.folder.messages.clear();
    return detail;
}

// The scenarios of two workstations on one customers table, run in-process and through the
// server. Workstation a is "Mario Rossi", b is "Giulia Bianchi"; both have just read the grid.

// The last box a workstation was shown (after the confirmation that led to it), checked for kind
// and text; its detail is returned and the boxes are forgotten.
inline QString ultimoBox(Postazione& p, platform::BoxKind kind, const QString& text)
{
    const auto& boxes = p.folder.messages.boxes();
    EXPECT_EQ(boxes.size(), 2u) << p.folder.messages.texts().join(QLatin1Char('|')).toStdString();
    if (boxes.empty())
        return {};
    EXPECT_EQ(boxes.back().kind, kind);
    EXPECT_EQ(boxes.back().text, text);
    const QString detail = boxes.back().detail;
    p.folder.messages.clear();
    return detail;
}

// b cannot edit the row a is editing, is told at once who holds it, and can edit it after a
// saves; what both saved is kept.
inline void scenarioRigaTenuta(Postazione& a, Postazione& b, const QString& databaseName)
{
    ASSERT_TRUE(a.vaiA(2));
    ASSERT_TRUE(a.modifica(QStringLiteral("Bruna")));
    EXPECT_EQ(tagPulsante(a.salva), 1);
    EXPECT_EQ(coloreFigura(a.salva), kRosso);

    ASSERT_TRUE(b.vaiA(2));
    QElapsedTimer tempo;
    tempo.start();
    EXPECT_FALSE(b.prova());
    EXPECT_LT(tempo.elapsed(), 2000) << "the second edit waited for the first";
    const QString detail = unicoBox(b, platform::BoxKind::Warning, kAltriUtenti);
    EXPECT_TRUE(detail.contains(QStringLiteral("utente Mario Rossi"))) << detail.toStdString();
    EXPECT_TRUE(detail.contains(QStringLiteral("postazione ") + QSysInfo::machineHostName()))
        << detail.toStdString();
    EXPECT_TRUE(detail.contains(QStringLiteral("dalle "))) << detail.toStdString();
    EXPECT_EQ(tagPulsante(b.salva), 0);
    EXPECT_TRUE(b.salva.icon().isNull());

    // Meanwhile b edits another row.
    ASSERT_TRUE(b.vaiA(3));
    ASSERT_TRUE(b.modifica(QStringLiteral("Carlotta")));
    EXPECT_EQ(tagPulsante(b.salva), 1);

    a.salvaEAggiorna();
    EXPECT_EQ(tagPulsante(a.salva), 0);
    EXPECT_EQ(coloreFigura(a.salva), kVerde);
    EXPECT_EQ(a.data.asString(QStringLiteral("CODICE")), QStringLiteral("2"));

    // b saves too, reads the grid again and now edits the row a has released.
    b.salvaEAggiorna();
    ASSERT_TRUE(b.vaiA(2));
    EXPECT_EQ(b.data.asString(QStringLiteral("NOME")), QStringLiteral("Bruna"));
    ASSERT_TRUE(b.modifica(QStringLiteral("Bruna Verdi")));
    b.salvaEAggiorna();
    EXPECT_TRUE(a.folder.messages.boxes().empty());
    EXPECT_TRUE(b.folder.messages.boxes().empty());
    EXPECT_EQ(clientiSalvati(databaseName),
              (QStringList{QStringLiteral("1:Anna"), QStringLiteral("2:Bruna Verdi"),
                           QStringLiteral("3:Carlotta")}));
}

// b cannot delete the row a is editing: the row stays and the box names a.
inline void scenarioCancellazioneTenuta(Postazione& a, Postazione& b, const QString& databaseName)
{
    ASSERT_TRUE(a.vaiA(1));
    ASSERT_TRUE(a.prova());
    ASSERT_TRUE(b.vaiA(1));
    b.folder.messages.answerNext(true);
    EXPECT_FALSE(b.elimina());
    const QString detail = ultimoBox(b, platform::BoxKind::Warning, kImpossibileCancellare);
    EXPECT_TRUE(detail.contains(QStringLiteral("utente Mario Rossi"))) << detail.toStdString();
    EXPECT_EQ(tagPulsante(b.salva), 0);
    // a saves; the row is there, and now b may delete it.
    a.salvaEAggiorna();
    EXPECT_EQ(clientiSalvati(databaseName).value(0), QStringLiteral("1:Anna"));
    ASSERT_TRUE(b.vaiA(1));
    b.folder.messages.answerNext(true);
    EXPECT_TRUE(b.elimina());
    EXPECT_TRUE(b.folder.messages.boxes().size() == 1u); // the confirmation only
    EXPECT_EQ(clientiSalvati(databaseName),
              (QStringList{QStringLiteral("2:Bruno"), QStringLiteral("3:Carla")}));
}

// b deletes a row that a still shows; a's edit of it is refused, in both orders of a's
// transaction: begun before the deletion (the engine reports the collision) and after it (the
// row is simply no longer there).
inline void scenarioCancellataPoiModificata(Postazione& a, Postazione& b,
                                            const QString& databaseName)
{
    ASSERT_TRUE(b.vaiA(3));
    b.folder.messages.answerNext(true);
    ASSERT_TRUE(b.elimina());
    b.folder.messages.clear();

    ASSERT_TRUE(a.vaiA(3)); // a's grid still shows it
    EXPECT_FALSE(a.prova());
    const QString detail = unicoBox(a, platform::BoxKind::Warning, kAltriUtenti);
    EXPECT_TRUE(detail.contains(QStringLiteral("già salvato o annullato"))) << detail.toStdString();

    // a's window ends its transaction but keeps showing the rows it read; b deletes another.
    a.salvaSolo();
    ASSERT_TRUE(b.vaiA(2));
    b.folder.messages.answerNext(true);
    ASSERT_TRUE(b.elimina());
    ASSERT_TRUE(a.vaiA(2));
    EXPECT_FALSE(a.prova());
    unicoBox(a, platform::BoxKind::Warning, kGiaCancellato);
    EXPECT_EQ(tagPulsante(a.salva), 0);
    EXPECT_EQ(clientiSalvati(databaseName), (QStringList{QStringLiteral("1:Anna")}));
}

} // namespace velkora::test
