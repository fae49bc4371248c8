#include "dialoghi/ComandoSceltaDisco.h"

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "params/LetteraDisco.h"
#include "dialoghi/SceltaDisco.h"
#include "platform/MessageService.h"

namespace velkora {

EsitoSceltaDisco eseguiSceltaDisco(TTabXForm& form, db::Query& query, db::Query& query2,
                                   QWidget* finestra, const QString& nomeUtente,
                                   const QString& password)
{
    platform::MessageService& messages = form.messages();
    if (!form.VerificaPasswordUser(nomeUtente, password)) {
        messages.error(QStringLiteral("Operazione negata: scegliere un'utente ed inserire "
                                      "l'eventuale password. Fare attenzione al maiuscolo / "
                                      "minuscolo"),
                       finestra);
        return EsitoSceltaDisco::PasswordRifiutata;
    }

    // A fresh snapshot: the values to rewrite must be the ones stored now, or their updates
    // would meet the changes other workstations committed since the transaction began.
    db::Transaction* transazione = query.transaction();
    if (!transazione)
        throw db::DbLogicError(QStringLiteral("disk choice on a query without a transaction"));
    query.close();
    transazione->restart();
    const UtenteDisco utente = leggiUtenteDisco(query, nomeUtente);
    if (!utente.trovato) {
        messages.error(QStringLiteral("Operazione negata: l'utente scelto non è presente "
                                      "nell'archivio utenti"),
                       finestra);
        return EsitoSceltaDisco::UtenteMancante;
    }

    const platform::DriveMap& dischi = form.environment().drives;
    QChar lettera = discoDaOffrire(dischi, utente.ultimoDisco, form.programFolder());
    {
        TSceltaDiscoForm dialogo(finestra, dischi, messages);
        dialogo.ComboDisco->setDrive(lettera);
        if (messages.execDialog(dialogo) != QDialog::Accepted)
            return EsitoSceltaDisco::Annullata;
        lettera = dialogo.ComboDisco->drive();
    }

    if (!riscriviLettereDisco(query, query2, messages, utente.codice, lettera, finestra))
        return EsitoSceltaDisco::Fallita;

    // The data form's own transaction must see the rows just committed before the text is
    // regenerated from them.
    form.QueryVelkora.close();
    form.TransazioneUser.restart();
    form.ScriviVelkora(utente.codice.toInt());

    messages.information(QStringLiteral("Aggiornamento percorsi effettuato"), finestra);
    return EsitoSceltaDisco::Eseguita;
}

} // namespace velkora
