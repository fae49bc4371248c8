#pragma once

#include "ReportTable.h"

#include <QString>

#include <vector>

namespace vorp {

// Which columns a report prints and how. A layout is an INI file named after the report in the
// "Report" folder of the program folder ("Report/Clienti.ini" for the report "Clienti"):
//
//     [Report]
//     Orientamento=Orizzontale        ; or Verticale (the default)
//     Colonne=CODICE,RAGIONESOCIALE,CITTA,FIDO
//
//     [FIDO]                          ; one optional section per column
//     Titolo=Fido concesso            ; the caption; the column's name when missing
//     Larghezza=20                    ; share of the page width; 10 when missing
//     Totale=1                        ; prints the column's sum at the end
//     Decimali=2                      ; decimals of DOUBLE PRECISION numbers; 2 when missing
//                                     ; (NUMERIC and DECIMAL amounts keep their own)
//
// Names are matched to the dataset's columns without regard to case; a listed name the dataset
// does not have is left out. Without a layout file, or when none of its columns exists, every
// column of the dataset is printed in its order, captioned with its name, as wide as its
// longest text allows.
struct ReportLayout
{
    struct Column
    {
        int source = 0; // position in the ReportTable
        QString caption;
        int width = 10;
        bool total = false;
        int decimals = 2;
    };

    std::vector<Column> columns;
    bool landscape = false;
    // The file the layout came from; empty for the layout of every column.
    QString file;

    // The layout of the report named name in programFolder's "Report" folder for this table.
    // A name with a folder part or ".." never leaves the "Report" folder: only its file name
    // counts.
    static ReportLayout load(const QString& programFolder, const QString& name, const ReportTable& table);
    static ReportLayout allColumns(const ReportTable& table);
};

} // namespace vorp
