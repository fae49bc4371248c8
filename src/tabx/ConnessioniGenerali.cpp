// The general connections of TTabXForm: IBDatabase1 to IBDatabase4 are attached to the database
// file that a row of MemTabX names, with the location rules of the user database.

#include "data/DatabaseLocation.h"
#include "data/TabX.h"
#include "platform/MessageService.h"

namespace velkora {

void TTabXForm::connettiGenerale(db::Database& connessione, const QString& nome)
{
    QString percorso;
    GetV(nome, percorso);
    // The folder ends at the last separator or at the colon of "server:file"; "/" is the
    // separator of local paths on this system, "\" that of the workstations' own paths.
    qsizetype fine = -1;
    for (const QChar separatore : {QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':')})
        fine = std::max(fine, percorso.lastIndexOf(separatore));
    const QString cartella = percorso.left(fine + 1);
    const QString file = percorso.mid(fine + 1);
    if (!ApriOCreaDatabase(connessione, cartella, file, QString(), QString(), ownerWindow(),
                           messages(), m_environment.drives))
        messages().error(QStringLiteral("Errore apertura archivio"), percorso, ownerWindow());
}

void TTabXForm::ConnettiDatabase1(const QString& nome)
{
    connettiGenerale(IBDatabase1, nome);
}

void TTabXForm::ConnettiDatabase2(const QString& nome)
{
    connettiGenerale(IBDatabase2, nome);
}

void TTabXForm::ConnettiDatabase3(const QString& nome)
{
    connettiGenerale(IBDatabase3, nome);
}

void TTabXForm::ConnettiDatabase4(const QString& nome)
{
    connettiGenerale(IBDatabase4, nome);
}

} // namespace velkora
