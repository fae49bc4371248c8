#include "Anagrafica.h"

namespace velkora::anagrafi {

namespace {

using kit::ColonnaArchivio;

// The columns of both tables, key first, in the order of the table definition.
std::vector<ColonnaArchivio> colonne()
{
    return {
        {QStringLiteral("CODICE"), QStringLiteral("Codice"), 60, 0, ColonnaArchivio::Tipo::Intero},
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
}

kit::DescrizioneArchivio anagrafica(const QString& tabella, const QString& generatore,
                                    const QString& titolo, const QString& nomeFinestra,
                                    qint32 situazione, const kit::NomiRighe& nomi,
                                    const QString& nomeReport)
{
    return {tabella,
            generatore,
            titolo,
            nomeFinestra,
            QStringLiteral("ANAGRAFI"),
            kProgettoAnagrafi,
            situazione,
            nomi,
            nomeReport,
            QStringLiteral("RAGIONESOCIALE, CODICE"),
            QStringLiteral("ragione sociale, città, partita IVA, telefono..."),
            colonne()};
}

} // namespace

const kit::DescrizioneArchivio& clienti()
{
    static const kit::DescrizioneArchivio a = anagrafica(
        QStringLiteral("CLIENTI"), QStringLiteral("CODICECLIENTICOUNTER"),
        QStringLiteral("Elenco clienti"), QStringLiteral("TClientiForm"), 1,
        {QStringLiteral("cliente"), QStringLiteral("clienti")}, QStringLiteral("ElencoClienti"));
    return a;
}

const kit::DescrizioneArchivio& fornitori()
{
    static const kit::DescrizioneArchivio a = anagrafica(
        QStringLiteral("FORNITORI"), QStringLiteral("CODICEFORNITORICOUNTER"),
        QStringLiteral("Elenco fornitori"), QStringLiteral("TFornitoriForm"), 2,
        {QStringLiteral("fornitore"), QStringLiteral("fornitori")},
        QStringLiteral("ElencoFornitori"));
    return a;
}

} // namespace velkora::anagrafi
