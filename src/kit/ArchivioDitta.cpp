#include <velkora/kit/ArchivioDitta.h>

#include <QDir>
#include <velkora/TabXForm.h>
#include <velkora/db/DbError.h>
#include <velkora/db/Query.h>
#include <velkora/db/Transaction.h>
#include <velkora/platform/MessageService.h>

namespace velkora::kit {

namespace {

// The archive's path from the parameter's value (see percorsoArchivio).
QString percorsoDaValore(TTabXForm& tabX, const QString& letto)
{
    const QString valore = letto.trimmed();
    if (valore.isEmpty())
        return {};
    QString percorso = QString(valore).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isRelativePath(percorso))
        percorso = tabX.programPath(valore);
    return QDir::toNativeSeparators(QDir::cleanPath(percorso));
}

} // namespace

QString percorsoArchivio(TTabXForm& tabX)
{
    return percorsoDaValore(tabX, tabX.CaricaParametro(QString::fromLatin1(kParametroArchivio)));
}

namespace {

bool tabellaPresente(db::Database& database, const QString& tabella)
{
    db::Transaction lettura(&database);
    db::Query query(&database, &lettura);
    query.add(QStringLiteral("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = :NOME"));
    query.setParam(QStringLiteral("NOME"), tabella);
    query.open();
    const bool presente = !query.isEmpty();
    lettura.rollback();
    return presente;
}

} // namespace

bool apriArchivio(TTabXForm& tabX)
{
    return apriArchivio(tabX, tabX.CaricaParametro(QString::fromLatin1(kParametroArchivio)));
}

bool apriArchivio(TTabXForm& tabX, const QString& valore)
{
    const QString percorso = percorsoDaValore(tabX, valore);
    if (percorso.isEmpty()) {
        tabX.messages().error(
            QStringLiteral("Archivio della ditta %1 non impostato: indicare il file dell'archivio "
                           "nel parametro %2 dei parametri dell'utente.")
                .arg(tabX.DittaCorrente, QString::fromLatin1(kParametroArchivio)),
            tabX.ownerWindow());
        return false;
    }
    // An archive that is not there is reported, not created empty at a mistyped path.
    if (!tabX.EsisteDatabase(percorso)) {
        tabX.messages().error(
            QStringLiteral("L'archivio della ditta %1 non esiste: controllare il parametro %2.")
                .arg(tabX.DittaCorrente, QString::fromLatin1(kParametroArchivio)),
            percorso, tabX.ownerWindow());
        return false;
    }
    // The path reaches the first general connection as a typed parameter, as every data window
    // of the suite names its archive.
    const QString nome = QString::fromLatin1(kParametroArchivio);
    if (!tabX.SetV(nome, percorso))
        tabX.Inserisci(QStringLiteral("PAR"), nome, QString(), percorso, QString(), QString(),
                       QString(), QString(), QString());
    QString letto;
    tabX.GetV(nome, letto);
    if (letto != percorso) {
        // The typed parameter's text holds 128 characters; a longer path would name another file.
        tabX.messages().error(
            QStringLiteral("Il percorso dell'archivio della ditta %1 è troppo lungo.").arg(tabX.DittaCorrente),
            percorso, tabX.ownerWindow());
        return false;
    }
    tabX.ConnettiDatabase1(nome);
    return tabX.IBDatabase1.attached(); // when not, the data form has said so
}

bool segnalaTabellaMancante(TTabXForm& tabX, const QString& tabella)
{
    if (!tabX.IBDatabase1.attached())
        return false;
    QString percorso;
    tabX.GetV(QString::fromLatin1(kParametroArchivio), percorso);
    try {
        if (tabellaPresente(tabX.IBDatabase1, tabella))
            return false;
        tabX.messages().error(
            QStringLiteral("L'archivio della ditta %1 non contiene la tabella %2: preparare "
                           "l'archivio con velkora-admin.")
                .arg(tabX.DittaCorrente, tabella),
            QDir::toNativeSeparators(percorso), tabX.ownerWindow());
    } catch (const db::DbError& errore) {
        tabX.messages().error(
            QStringLiteral("Errore nella lettura dell'archivio della ditta %1.").arg(tabX.DittaCorrente),
            errore.message(), tabX.ownerWindow());
    }
    tabX.IBDatabase1.detach();
    return true;
}

} // namespace velkora::kit
