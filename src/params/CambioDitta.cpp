#include "params/CambioDitta.h"

#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "platform/MessageService.h"
#include "storage/IstruzioneFallita.h"

namespace velkora {

int indiceDittaSuccessiva(int selezionata, int righe)
{
    if (righe <= 0)
        return -1;
    if (selezionata == righe - 1)
        return 0;
    // Also the first line when none is selected (-1) or the selection lies outside the list.
    return selezionata >= 0 && selezionata < righe ? selezionata + 1 : 0;
}

bool memorizzaDittaUtente(db::Query& query, platform::MessageService& messages, QWidget* finestra,
                          qint32 utente, const QString& ditta)
{
    query.close();
    if (db::Transaction* transazione = query.transaction())
        transazione->restart();
    const QStringList righe{QStringLiteral("UPDATE UTENTI SET DITTA=") + db::quoted(ditta) +
                                QStringLiteral(" WHERE"),
                            QStringLiteral("CODICE=") + db::quotedInt(utente)};
    QString dettaglio;
    if (!eseguiOSalva(query, righe, QStringLiteral("Ombrix.CambioDitta.sql"), dettaglio)) {
        messages.error(QStringLiteral("Errore interno: impossibile effettuare il cambio ditta. Riprovare"),
                       dettaglio, finestra);
        return false;
    }
    return true;
}

} // namespace velkora
