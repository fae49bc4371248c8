#include "storage/ContestoDati.h"

#include "platform/FileSystem.h"

namespace velkora {

ContestoDati::ContestoDati(const platform::Environment& ambiente,
                           std::function<QWidget*()> finestra, Campi campi)
    : m_ambiente(&ambiente)
    , m_finestra(std::move(finestra))
    , m_campi(campi)
{
}

QString ContestoDati::percorsoProgramma(const QString& relativo) const
{
    return platform::joinPath(m_ambiente->programFolder, relativo);
}

QString ContestoDati::fileUtente() const
{
    return platform::joinPath(percorsoProgramma(QStringLiteral("NOMIDIT\\USERCFG")),
                              QString::number(numUser()) + QLatin1Char(' ') + nomeUser()
                                  + QStringLiteral(".INI"));
}

} // namespace velkora
