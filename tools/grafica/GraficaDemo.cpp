#include "GraficaDemo.h"

#include "data/SchemaInstaller.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <iterator>
#include <stdexcept>

namespace velkora::admin {

namespace {

std::runtime_error failure(const QString& message)
{
    return std::runtime_error(message.toStdString());
}

// Writes the picture only into a new file: the file is created exclusively, so neither a file
// that exists nor one that appears meanwhile (nor a link of that name) is ever written through.
// False when the name was already taken.
bool saveNewImage(const QImage& image, const QString& path, const char* format)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
            return false;
        throw failure(QStringLiteral("Impossibile scrivere il file %1: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    QImageWriter writer(&file, format);
    if (!writer.write(image)) {
        const QString reason = writer.errorString();
        file.remove();
        throw failure(QStringLiteral("Impossibile scrivere il file %1: %2")
                          .arg(QDir::toNativeSeparators(path), reason));
    }
    return true;
}

// A square button picture: a flat colour with a darker frame. BMP keeps no transparency, so
// the whole square is painted.
QImage button(const QColor& colour)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    painter.setPen(colour.darker(160));
    painter.drawRect(0, 0, 15, 15);
    painter.end();
    return image;
}

// A program icon: the first letter of its file name, white on a coloured rounded tile. The
// colour follows the icon's position in the demo data, so neighbouring groups differ.
QImage icon(const QString& name, int index)
{
    static const QColor palette[] = {
        QColor(31, 95, 170), QColor(190, 90, 20),  QColor(40, 140, 70),  QColor(140, 50, 140),
        QColor(170, 40, 50), QColor(20, 130, 140), QColor(110, 110, 40), QColor(80, 80, 80)};
    const QColor colour = palette[index % std::size(palette)];
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(140));
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    // Text needs the font database, which only a GUI application has; without one the tile
    // stays plain and the colours still tell the programs apart.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QFont font;
        font.setBold(true);
        font.setPixelSize(20);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, name.left(1).toUpper());
    }
    painter.end();
    return image;
}

} // namespace

EsitoGrafica ScriviGrafica(const QString& programFolder, bool demo)
{
    const QDir root(programFolder);
    const QString grafica = root.filePath(QStringLiteral("Grafica"));
    if (!QDir().mkpath(grafica))
        throw failure(QStringLiteral("Impossibile creare la cartella %1")
                          .arg(QDir::toNativeSeparators(grafica)));

    EsitoGrafica esito;
    const auto save = [&](const QImage& image, const QString& name, const char* format) {
        const QString relative = QStringLiteral("Grafica/") + name;
        if (saveNewImage(image, root.filePath(relative), format))
            esito.scritti << relative;
        else
            esito.saltati << relative;
    };
    save(button(QColor(40, 160, 60)), QStringLiteral("Verde.bmp"), "bmp");
    save(button(QColor(200, 40, 40)), QStringLiteral("Rosso.bmp"), "bmp");
    if (demo) {
        const QStringList icons = data::SchemaInstaller::demoIconNames();
        for (int i = 0; i < icons.size(); ++i)
            save(icon(icons.at(i), i), icons.at(i), "ico");
    }
    return esito;
}

} // namespace velkora::admin
