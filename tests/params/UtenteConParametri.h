#pragma once

#include "data/TabX.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

namespace velkora::test {

// A row of TABVELKORA as stored, NULL kept apart from the empty text.
struct RigaSalvata
{
    std::optional<QString> sezione;
    std::optional<QString> parametro;
    std::optional<QString> valore;
    qint64 progressivo = 0;

    friend bool operator==(const RigaSalvata&, const RigaSalvata&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const RigaSalvata& r)
{
    auto text = [](const std::optional<QString>& s) {
        return s ? "'" + s->toStdString() + "'" : std::string("NULL");
    };
    return out << "{" << text(r.sezione) << ", " << text(r.parametro) << ", " << text(r.valore)
               << ", " << r.progressivo << "}";
}

// A program folder whose drives c and d are folders of its own ("C" and "D", each holding
// "DATI"), a fresh user database and a data form on it. The current user 7 (ROSSI, password
// "segreta") works in company ALFA; user 8 (BIANCHI) has rows of his own that nothing here may
// touch.
class UtenteConParametri
{
public:
    UtenteConParametri()
    {
        folder.installUserDatabase();
        for (const char* sub : {"C/DATI/SUB", "D/DATI"})
            folder.makeFolder(QString::fromLatin1(sub));
        platform::DriveMap dischi;
        dischi.clear();
        dischi.map(QLatin1Char('c'), folder.file(QStringLiteral("C")));
        dischi.map(QLatin1Char('d'), folder.file(QStringLiteral("D")));
        // A drive that is mapped but not ready: its folder is missing.
        dischi.map(QLatin1Char('e'), folder.file(QStringLiteral("E")));
        form = std::make_unique<TTabXForm>(
            nullptr, 0, platform::Environment(folder.path(), &folder.messages, dischi));
        cella = std::make_unique<TTabXForm*>(form.get());
        exec(QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, PWDUTENTE, DITTA) VALUES "
                            "(7, 'ROSSI', 'segreta', 'ALFA')"));
        exec(QStringLiteral(
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, VELKORA) VALUES "
            "(8, 'BIANCHI', 'BETA', '[BETA]' || ASCII_CHAR(10) || 'P=C:\\X' || ASCII_CHAR(10))"));
        riga(8, QStringLiteral("BETA"), QStringLiteral("P"), QStringLiteral("C:\\X"));
        form->SetUserPerNum(7);
    }

    db::Database& database() { return form->IBDatabaseUser; }
    void exec(const QString& sql) { test::exec(database(), sql); }

    // Adds a row; a null text stores NULL. The order number follows the rows added before.
    void riga(qint32 utente, const QString& sezione, const QString& parametro,
              const QString& valore)
    {
        exec(QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, "
                            "PROGRESSIVO) VALUES (%1, %2, %3, %4, %5)")
                 .arg(utente)
                 .arg(letterale(sezione), letterale(parametro), letterale(valore))
                 .arg(++m_progressivo));
    }

    // The committed rows of a user, in PROGRESSIVO order, read in a transaction of their own.
    std::vector<RigaSalvata> righe(qint32 utente)
    {
        db::Transaction t(&database());
        db::Query q(&database(), &t);
        q.add(QStringLiteral("SELECT INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO FROM TABVELKORA "
                             "WHERE UTENTE=%1 ORDER BY PROGRESSIVO")
                  .arg(utente));
        q.open();
        std::vector<RigaSalvata> out;
        for (q.first(); !q.eof(); q.next()) {
            auto testo = [&](int i) {
                return q.isNull(i) ? std::nullopt : std::optional<QString>(q.asString(i));
            };
            out.push_back({testo(0), testo(1), testo(2), q.asInteger(3)});
        }
        return out;
    }

    // One committed value of the user's row; nullopt for NULL or no row.
    std::optional<QString> colonnaUtente(qint32 utente, const QString& colonna)
    {
        db::Transaction t(&database());
        db::Query q(&database(), &t);
        q.add(QStringLiteral("SELECT %1 FROM UTENTI WHERE CODICE=%2").arg(colonna).arg(utente));
        q.open();
        if (q.isEmpty() || q.isNull(0))
            return std::nullopt;
        return q.asString(0);
    }
    std::optional<QString> testoSalvato(qint32 utente)
    {
        return colonnaUtente(utente, QStringLiteral("VELKORA"));
    }

    QString cartella(const QString& relativa) const { return folder.file(relativa); }

    ProgramFolder folder;
    std::unique_ptr<TTabXForm> form;
    // The main window's reference cell of the data form, as the windows receive it.
    std::unique_ptr<TTabXForm*> cella;

private:
    static QString letterale(const QString& testo)
    {
        return testo.isNull() ? QStringLiteral("NULL") : db::quoted(testo);
    }

    int m_progressivo = 0;
};

// A second workstation: its own attachment to the same database, holding an uncommitted change
// so that the rows it touched are locked until it goes.
class AltraPostazione
{
public:
    AltraPostazione(const QString& percorso, const QString& sql)
    {
        attach(m_database, percorso);
        m_transaction.params() << QStringLiteral("isc_tpb_concurrency")
                               << QStringLiteral("isc_tpb_nowait");
        db::Query q(&m_database, &m_transaction);
        q.add(sql);
        q.execSql();
    }

private:
    db::Database m_database;
    db::Transaction m_transaction{&m_database};
};

} // namespace velkora::test
