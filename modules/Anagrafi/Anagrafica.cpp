#include "Anagrafica.h"

namespace velkora::anagrafi {

const Anagrafica& Anagrafica::clienti()
{
    static const Anagrafica a{QStringLiteral("CLIENTI"),       QStringLiteral("CODICECLIENTICOUNTER"),
                              QStringLiteral("Elenco clienti"), QStringLiteral("TClientiForm"),
                              1,                                QStringLiteral("cliente"),
                              QStringLiteral("ElencoClienti")};
    return a;
}

const Anagrafica& Anagrafica::fornitori()
{
    static const Anagrafica a{QStringLiteral("FORNITORI"),       QStringLiteral("CODICEFORNITORICOUNTER"),
                              QStringLiteral("Elenco fornitori"), QStringLiteral("TFornitoriForm"),
                              2,                                  QStringLiteral("fornitore"),
                              QStringLiteral("ElencoFornitori")};
    return a;
}

const std::vector<Campo>& campiAnagrafica()
{
    static const std::vector<Campo> campi{
        {QStringLiteral("CODICE"), QStringLiteral("Codice"), 60, 0},
        {QStringLiteral("RAGIONESOCIALE"), QStringLiteral("Ragione sociale"), 240, 80},
        {QStringLiteral("INDIRIZZO"), QStringLiteral("Indirizzo"), 180, 80},
        {QStringLiteral("CAP"), QStringLiteral("CAP"), 50, 5},
        {QStringLiteral("CITTA"), QStringLiteral("Città"), 110, 40},
        {QStringLiteral("PROVINCIA"), QStringLiteral("Prov."), 40, 2},
        {QStringLiteral("PARTITAIVA"), QStringLiteral("Partita IVA"), 95, 11},
        {QStringLiteral("CODICEFISCALE"), QStringLiteral("Codice fiscale"), 130, 16},
        {QStringLiteral("TELEFONO"), QStringLiteral("Telefono"), 100, 20},
        {QStringLiteral("EMAIL"), QStringLiteral("E-mail"), 190, 80},
        {QStringLiteral("NOTE"), QStringLiteral("Note"), 200, 200},
    };
    return campi;
}

QStringList selezioneAnagrafica(const Anagrafica& anagrafica)
{
    QStringList colonne;
    for (const Campo& c : campiAnagrafica())
        colonne << c.colonna;
    // The table name is one of the module's own constants, never a caller's text.
    return {QStringLiteral("SELECT ") + colonne.join(QStringLiteral(", ")),
            QStringLiteral("FROM ") + anagrafica.tabella,
            QStringLiteral("ORDER BY RAGIONESOCIALE, CODICE")};
}

} // namespace velkora::anagrafi
