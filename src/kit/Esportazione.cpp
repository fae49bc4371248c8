#include <velkora/kit/Esportazione.h>

#include <QSaveFile>

namespace velkora::kit {

namespace {

QString campo(const QString& testo)
{
    const bool virgolette = testo.contains(QLatin1Char(';')) || testo.contains(QLatin1Char('"'))
                            || testo.contains(QLatin1Char('\n')) || testo.contains(QLatin1Char('\r'))
                            || (!testo.isEmpty()
                                && (testo.front().isSpace() || testo.back().isSpace()));
    if (!virgolette)
        return testo;
    return QLatin1Char('"') + QString(testo).replace(QLatin1Char('"'), QStringLiteral("\"\""))
           + QLatin1Char('"');
}

void riga(QString& out, const QStringList& celle)
{
    for (int i = 0; i < celle.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(';');
        out += campo(celle.at(i));
    }
    out += QStringLiteral("\r\n");
}

} // namespace

QByteArray testoCsv(const QStringList& intestazioni, const std::vector<QStringList>& righe)
{
    QString testo;
    riga(testo, intestazioni);
    for (const QStringList& r : righe)
        riga(testo, r);
    return QByteArray("\xEF\xBB\xBF") + testo.toUtf8();
}

bool scriviCsv(const QString& file, const QStringList& intestazioni,
               const std::vector<QStringList>& righe, QString* errore)
{
    QSaveFile uscita(file);
    if (!uscita.open(QIODevice::WriteOnly) || uscita.write(testoCsv(intestazioni, righe)) < 0
        || !uscita.commit()) {
        if (errore)
            *errore = file + QStringLiteral(": ") + uscita.errorString();
        return false;
    }
    return true;
}

} // namespace velkora::kit
