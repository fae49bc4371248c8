#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <velkora/db/ConnectionRef.h>
#include <velkora/db/Decimal.h>

#include <functional>
#include <memory>
#include <vector>

namespace velkora::db {

class Database;
class Transaction;

// The statement holder used throughout the suite: its text is a list of lines (cleared, then one
// line added per fragment). open() runs a selection and keeps all its rows; execSql() runs any
// other statement. Column values are read by position or name as text (NULL reads as empty
// text) or as integer (NULL reads as 0). Named parameters written ":NAME" in the text are bound
// with setParam() before running; that is how long texts and blobs are written.
//
// The transaction is started on first use when it is not active. Text crosses the boundary as
// Windows-1252 bytes, composed first; a character Windows-1252 cannot hold is refused before the
// statement runs (DbLogicError naming the field and the character). NUMERIC and DECIMAL columns
// read as an exact Decimal and a Decimal is bound with its scale; INTEGER and BIGINT columns read
// as qint64, DOUBLE PRECISION as double.
class Query
{
public:
    explicit Query(Database* database = nullptr, Transaction* transaction = nullptr);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void setDatabase(Database* database);
    void setTransaction(Transaction* transaction);
    // Null once the database object went away (the statement then refuses to run).
    Database* database() const { return m_link.database(); }
    Transaction* transaction() const { return m_link.transaction(); }

    // The text lines. Changing them closes the query.
    void clear();
    void add(const QString& line);
    void setSql(const QStringList& lines);
    const QStringList& sql() const { return m_lines; }
    QString sqlText() const;

    // Named parameters of the current text (":NAME"), set before open()/execSql().
    void setParam(const QString& name, const QVariant& value);
    void clearParams();

    void open();
    // Runs the selection and reads only its first `rows` rows; the cursor stays open while rows
    // are left, and fetchMore() reads on, in the same transaction. Closing or running the query
    // again lets the rest go.
    void openPartial(int rows);
    // True while a partial selection has rows left to read.
    bool moreRows() const;
    // The next rows of a partial selection (at most `rows`; empty when none are left), handed to
    // the caller. DbLogicError when the transaction has ended since: the rows must be read again.
    std::vector<std::vector<QVariant>> fetchMore(int rows);
    // Hands the rows read so far over to the caller, leaving the cursor open.
    std::vector<std::vector<QVariant>> takeRowsSoFar();
    // Runs any other statement; one that gives back a row of results (EXECUTE PROCEDURE, an
    // executable block, RETURNING) leaves it to read as open() would.
    void execSql();
    void close();
    bool isOpen() const { return m_open; }

    int recordCount() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    // Hands the rows read over to the caller, one vector of values per row in the order of the
    // fields, and closes the query: a dataset keeps them without copying every value.
    std::vector<std::vector<QVariant>> takeRows();
    void first();
    void next();
    bool eof() const;
    int row() const { return m_current; }

    int fieldCount() const { return static_cast<int>(m_columns.size()); }
    QString fieldName(int index) const;
    int fieldIndex(const QString& name) const; // -1 when absent; names matched without case

    bool isNull(int index) const;
    bool isNull(const QString& name) const;
    QVariant value(int index) const;
    QVariant value(const QString& name) const;
    QString asString(int index) const;
    QString asString(const QString& name) const;
    qint64 asInteger(int index) const;
    qint64 asInteger(const QString& name) const;

    // Rows changed by the last execSql() (INSERT, UPDATE, DELETE).
    int rowsAffected();

    struct Column
    {
        QString name;
        short type = 0;
        short subType = 0;
        short scale = 0;
        short length = 0;
    };

private:
    struct Statement;
    void run();
    // Runs work on the query's database: attaches a lost connection again first, and tells the
    // database about a failure (so a lost connection is attached again next time).
    void watched(const std::function<void()>& work);
    const QVariant& cell(int index) const;
    int requireIndex(const QString& name) const;

    ConnectionRef m_link;
    QStringList m_lines;
    std::vector<std::pair<QString, QVariant>> m_params;
    std::unique_ptr<Statement> m_statement;
    std::vector<Column> m_columns;
    std::vector<std::vector<QVariant>> m_rows;
    int m_current = 0;
    bool m_open = false;
    // How many rows the next run reads; -1 for all.
    int m_limit = -1;
};

// Text form of a column value as the suite shows it: NULL as empty text, dates "dd/MM/yyyy",
// times "hh:mm:ss", numbers in plain decimal with "." as separator (an amount with every decimal
// of its column: "1234.50").
QString valueToText(const QVariant& value);

} // namespace velkora::db
