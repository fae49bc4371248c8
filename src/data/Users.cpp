// The users of TTabXForm: listing them, checking a password, making one current by name or by
// number. Mode 0 reads the table UTENTI through QueryVelkora, mode 1 the INI files below
// "NOMIDIT", mode 3 nothing at all. Database failures are not caught here: they go to the caller.

#include "data/TabX.h"

#include "db/SqlText.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"

namespace velkora {

namespace {

// The condition on the user name shared by the look-ups by name. The name is quoted, so a
// name with an apostrophe is compared as it is and no name can change the statement.
QString condizioneNome(const QString& nomeUtente)
{
    return QStringLiteral("WHERE (NOMEUTENTE=") + db::quoted(nomeUtente) + QLatin1Char(')');
}

// Runs the given lines as a selection on the query, from a closed query with cleared text.
void apri(db::Query& query, const QStringList& righe)
{
    query.close();
    query.clear();
    for (const QString& riga : righe)
        query.add(riga);
    query.open();
}

// The company stored for the user of the name, read in the query's transaction as it is.
QString dittaDi(db::Query& query, const QString& nomeUtente)
{
    apri(query, {QStringLiteral("SELECT DITTA FROM UTENTI"), condizioneNome(nomeUtente)});
    if (query.isEmpty())
        return QString();
    query.first();
    return query.asString(0);
}

} // namespace

QStringList LeggiUtentiIni(const QString& programFolder)
{
    return platform::IniFile(platform::joinPath(programFolder, QStringLiteral("NOMIDIT\\UTENTI.INI")))
        .sections();
}

void TTabXForm::CaricaUser(QStringList& lista)
{
    if (ModoUtenti == 1) {
        lista = LeggiUtentiIni(programFolder());
        return;
    }
    if (ModoUtenti != 0)
        return;
    apri(QueryVelkora, {QStringLiteral("SELECT NOMEUTENTE FROM UTENTI"), QStringLiteral("ORDER BY CODICE")});
    for (QueryVelkora.first(); !QueryVelkora.eof(); QueryVelkora.next())
        lista << QueryVelkora.asString(0);
}

bool TTabXForm::VerificaPasswordUser(const QString& nomeUtente, const QString& password)
{
    // Users from files, or no users at all, have no stored password.
    if (ModoUtenti != 0)
        return true;
    apri(QueryVelkora, {QStringLiteral("SELECT PWDUTENTE FROM UTENTI"), condizioneNome(nomeUtente)});
    if (QueryVelkora.isEmpty())
        return false;
    QueryVelkora.first();
    const QString memorizzata = QueryVelkora.asString(0);
    // No stored password lets anything in; otherwise an exact match, case and blanks included.
    return memorizzata.isEmpty() || memorizzata == password;
}

void TTabXForm::SetUserPerNome(const QString& nomeUtente)
{
    SetUserPerNum(CercaNumUser(nomeUtente));
}

void TTabXForm::SetUserPerNum(qint32 numero)
{
    NumUser = numero;
    if (ModoUtenti == 0) {
        // The company may have been changed on another workstation: the name and the company
        // are read from one fresh transaction (one restart, not one between the two reads).
        QueryVelkora.close();
        TransazioneUser.restart();
    }
    NomeUser = CercaNomeUser(numero);
    if (ModoUtenti == 1) {
        DittaCorrente = platform::IniFile(fileUtente())
                            .readString(QStringLiteral("STATUS MACCHINA"), QStringLiteral("UltimaDitta"));
    } else if (ModoUtenti == 0) {
        DittaCorrente = dittaDi(QueryVelkora, NomeUser);
        CaricaVelkora(numero);
    }
}

qint32 TTabXForm::CercaNumUser(const QString& nomeUtente)
{
    if (ModoUtenti != 0)
        return 0;
    apri(QueryVelkora, {QStringLiteral("SELECT CODICE FROM UTENTI"), condizioneNome(nomeUtente)});
    if (QueryVelkora.isEmpty())
        return 0;
    QueryVelkora.first();
    return static_cast<qint32>(QueryVelkora.asInteger(0));
}

QString TTabXForm::CercaNomeUser(qint32 numero)
{
    QString nome;
    if (ModoUtenti == 0) {
        apri(QueryVelkora, {QStringLiteral("SELECT NOMEUTENTE FROM UTENTI"),
                            QStringLiteral("WHERE (CODICE=") + db::quotedInt(numero) + QLatin1Char(')')});
        if (!QueryVelkora.isEmpty()) {
            QueryVelkora.first();
            nome = QueryVelkora.asString(0);
        }
    } else if (ModoUtenti == 1) {
        // A section is a one-digit number, a separator and the name. The number is looked for
        // anywhere in the section name and the last match wins, so two-digit numbers resolve
        // wrongly; existing UTENTI.INI files are read the way the suite always read them.
        QStringList sezioni;
        CaricaUser(sezioni);
        const QString cifre = QString::number(numero);
        for (const QString& sezione : std::as_const(sezioni)) {
            if (sezione.contains(cifre))
                nome = sezione.mid(2);
        }
    }
    return nome;
}

QString TTabXForm::LeggiDittaUser(const QString& nomeUtente)
{
    if (ModoUtenti != 0)
        return QString();
    // The company may have been changed on another workstation: read it from a fresh
    // transaction.
    QueryVelkora.close();
    TransazioneUser.restart();
    return dittaDi(QueryVelkora, nomeUtente);
}

} // namespace velkora
