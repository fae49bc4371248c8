#pragma once

#include <velkora/services/Segnalibro.h>

#include <QString>

namespace velkora {

class IndicatoreSalva;
class ModificaRecord;

namespace db {
class Database;
class QueryDataSet;
} // namespace db

// The key generators of the data windows: four ways to start a row with a fresh key, and the
// operations on a database's generators. Saving and refreshing go through the editing services.
// What each operation does is said on the data form's operation of the same name
// (velkora/data/TabX.h).
class Generatori
{
public:
    // database1: the first general connection, whose generator ValoreGeneratore advances.
    Generatori(ModificaRecord& modifica, db::Database& database1);

    void NuovoIntSuLast(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        IndicatoreSalva& pulsanteSalva);
    void NuovoIntSuMax(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                       IndicatoreSalva& pulsanteSalva, const QString& tabella);
    void NuovoIntSuGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                              bool& segnalibroValido, IndicatoreSalva& pulsanteSalva,
                              const QString& generatore);
    void NuovoIntSuGenSQL(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                          IndicatoreSalva& pulsanteSalva, const QString& tabella,
                          const QString& generatore);
    bool CreaGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        IndicatoreSalva& pulsanteSalva, const QString& generatore);
    bool SetGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                       IndicatoreSalva& pulsanteSalva, const QString& generatore, qint32 valore);
    bool CheckGeneratore(db::QueryDataSet& dataSet, const QString& generatore);
    // The generator's next value as decimal text; empty when the name is refused.
    QString ValoreGeneratore(const QString& generatore);

private:
    // The name of the dataset's first field, the row key, checked like any other name.
    bool chiaveAccettata(const db::QueryDataSet& dataSet);

    ModificaRecord& m_modifica;
    db::Database& m_database1;
};

} // namespace velkora
