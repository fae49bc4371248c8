#pragma once

#include <QString>
#include <QStringView>

#include <span>
#include <vector>

namespace velkora {

// One parameter of a user's set, as a row of TABVELKORA.
//
// sezione keeps the database's distinction between NULL and the empty text: a null QString is
// a NULL section (the row takes no part in the text), an empty non-null one is the empty
// section, which sorts before every other and is written without a header. A NULL value and
// an empty value are written alike, so valore does not need that distinction.
struct ParameterRow
{
    QString sezione;
    QString parametro;
    QString valore;
    qint32 progressivo = 0;

    friend bool operator==(const ParameterRow&, const ParameterRow&) = default;
};

// The parameter-set text of a user's rows, as UTENTI.VELKORA holds it.
//
// The rows must come in the order the database returns them for
// "ORDER BY INTESTAZIONE,PROGRESSIVO": the writer does not sort, it puts a section header
// wherever the section changes. Every line ends with a single line feed; a section header is
// "[name]"; a parameter line is "name=value"; a row without a name gives an empty line; rows of
// the empty section are written as parameter lines under no header; rows with a NULL section
// are left out. No rows (or only NULL sections) give the empty text.
QString writeParameterText(std::span<const ParameterRow> rows);

// The rows of a parameter-set text, as the editor stores them, numbered 1, 2, 3 in text order
// (progressivo).
//
// Lines are cut at line feeds and lose every carriage return, so "\r\n" and "\n" texts read
// alike. "[" starts a header: the section is the line without its first and last character. An
// empty line ends the current section: the lines that follow give no rows until the next
// header. Any other line splits at its first "="; a line without "=" gives no row and keeps the
// section. Nothing is trimmed. Every row has a non-empty section and a non-empty name.
std::vector<ParameterRow> readParameterText(QStringView text);

} // namespace velkora
