#pragma once

#include <velkora/services/Segnalibro.h>

#include <QString>

#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace velkora {

class ContestoDati;
class IndicatoreSalva;

namespace db {
class Database;
class Query;
class QueryDataSet;
} // namespace db

// The record-editing services of a data window: save, refresh, cancel, delete, empty a table,
// ask before closing, and the lock probe taken before a row is edited. A window hands its
// editing state: its dataset, its bookmark, whether the bookmark holds a row to return to, and
// its save button. What each operation does is said on the data form's operation of the same
// name (velkora/data/TabX.h).
class ModificaRecord
{
public:
    // connessioniProprie: the connections of the data form, whose lifetime the form follows; the
    // lock probe stays prepared on them.
    ModificaRecord(const ContestoDati& contesto,
                   std::vector<const db::Database*> connessioniProprie);
    ~ModificaRecord();

    void AggiornaTabella(db::QueryDataSet& dataSet, Segnalibro segnalibro, bool vaiASegnalibro);
    void ChiudiTransazione(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                           bool& segnalibroValido, IndicatoreSalva& pulsanteSalva);
    void ChiudiTransEAggiorna(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                              bool& segnalibroValido, IndicatoreSalva& pulsanteSalva);
    void Annulla(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                 IndicatoreSalva& pulsanteSalva);
    bool Elimina(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                 IndicatoreSalva& pulsanteSalva);
    void Azzera(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                IndicatoreSalva& pulsanteSalva, const QString& tabella);
    void Chiudi(db::QueryDataSet& dataSet, IndicatoreSalva& pulsanteSalva);
    void AggiornamentoDaPulsante(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                 bool& segnalibroValido, IndicatoreSalva& pulsanteSalva);
    void EventoBeforeEditDataSet(db::QueryDataSet& dataSet, IndicatoreSalva& pulsanteSalva,
                                 const QString& tabella);

    // The button shows unsaved changes: tag 1 and the red picture.
    void segnaModificato(IndicatoreSalva& pulsanteSalva) const;
    // True for a plain identifier; otherwise an error box names what was refused ("Nome di
    // generatore") and the name, and the caller runs nothing.
    bool nomeAccettato(const QString& cosa, const QString& nome) const;

private:
    void segnaSalvato(IndicatoreSalva& pulsanteSalva) const;
    // The lock probe of a table and key on a connection of the form, prepared once and run
    // again for every row; null for a connection the form does not own.
    db::Query* sondaBloccoPreparata(db::Database& database, const QString& tabella,
                                    const QString& chiave);

    const ContestoDati& m_contesto;
    std::vector<const db::Database*> m_proprie;
    std::map<std::tuple<const db::Database*, QString, QString>, std::unique_ptr<db::Query>>
        m_sondeBlocco;
};

} // namespace velkora
