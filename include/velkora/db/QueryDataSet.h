#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <velkora/db/ConnectionRef.h>

#include <memory>
#include <vector>

namespace velkora::db {

class Database;
class Query;
class Transaction;
class UpdateSql;

// An editable query over one table: a selection held as text lines whose rows are read into
// memory when it opens, a current row, and an edit buffer. edit() takes the current row into the
// buffer, append() starts an empty one; setField() changes the buffer and post() writes it back
// through the statements of the attached UpdateSql holder (modify for an edited row, insert for
// an appended one). Every ":NAME" of those statements is bound to the buffer's value of field
// NAME, and ":OLD_NAME" to the value the row had when it was read (NULL for an appended row), so
// a statement can find a row whose key was just changed. Values are always bound, never placed
// into the text.
//
// A successful post puts the written values into the cached row (an appended row is added at
// the end and becomes current), so later reads and comparisons see what was written. A failed
// post raises the database's DbError and leaves the dataset in its editing state with the
// buffer intact, so the caller can retry or cancel().
//
// The selection and the writes run in the given transaction, or the database's default one when
// none is given; the transaction starts on first use. Ending it is the caller's business. Text
// fields read as "" and integers as 0 when NULL, as with Query.
class QueryDataSet
{
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit QueryDataSet(Database* database = nullptr, Transaction* transaction = nullptr);
    virtual ~QueryDataSet();
    QueryDataSet(const QueryDataSet&) = delete;
    QueryDataSet& operator=(const QueryDataSet&) = delete;

    // Changing the connection closes the dataset.
    void setDatabase(Database* database);
    void setTransaction(Transaction* transaction);
    // Null once the database object went away (the rows can still be read, not written).
    Database* database() const { return m_link.database(); }
    // The transaction in use: the one given, or the database's default one.
    Transaction* transaction() const { return m_link.transaction(); }
    // Throws DbError::staleRows when the rows were read in a transaction whose attachment has
    // been lost since (a server restart): a write based on them must wait until they are read
    // again. post() and remove() check it themselves.
    void requireCurrentRows() const;

    // The selection's text lines. Changing them closes the dataset.
    void clear();
    void add(const QString& line);
    void setSql(const QStringList& lines);
    const QStringList& sql() const { return m_lines; }

    // Named parameters of the selection (":NAME"), set before open().
    void setParam(const QString& name, const QVariant& value);
    const std::vector<std::pair<QString, QVariant>>& params() const { return m_params; }

    // Runs the selection and keeps its rows; the first row becomes current.
    void open();
    // With a page size, open() reads only that many rows and keeps the selection open in its
    // transaction; fetchMore() reads on. Moving past the last row read, locate(), post() and
    // remove() read on as far as they need, so a caller that walks the rows sees them all. The
    // transaction must stay open while rows are left: a window reads them all (fetchAll())
    // before it ends the transaction. 0 (the default) reads every row at open().
    void setPageSize(int rows) { m_pageSize = rows; }
    int pageSize() const { return m_pageSize; }
    // Reads up to `rows` more rows; false once every row has been read.
    bool fetchMore(int rows);
    void fetchAll();
    bool allFetched() const { return !m_reader; }
    // Drops the rows and any unposted edit.
    void close();
    bool active() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    // The rows read so far (every row unless a page size leaves some to read).
    int recordCount() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    // Moving is refused while a row is being edited: post() or cancel() first.
    void first();
    void next();
    bool eof() const;
    int row() const { return m_current; }
    // Makes the first row whose field, read as text, equals the given text exactly (case
    // included) current; false, with the current row unchanged, when there is none.
    bool locate(const QString& field, const QString& text);

    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    QString fieldName(int index) const;
    int fieldIndex(const QString& name) const; // -1 when absent; names matched without case

    // Values of the current row, or of the edit buffer while editing.
    bool isNull(const QString& name) const;
    QVariant value(const QString& name) const;
    // A field of any row as it was read or last posted, by position, without moving: what a grid
    // shows of the rows it does not edit. DbLogicError for a row or field out of range.
    const QVariant& valueAt(int row, int field) const;
    QString asString(const QString& name) const;
    qint64 asInteger(const QString& name) const;

    // Takes the current row into the edit buffer. Nothing happens when already editing.
    void edit();
    // Starts a new row with every field NULL.
    void append();
    void setField(const QString& name, const QVariant& value);
    // Writes the buffer with the holder's modify or insert statement. Nothing happens when not
    // editing. DbLogicError when no holder is attached or its statement is empty. A modify that
    // changes no row (another user deleted it) raises RecordDeleted: the buffer is dropped and
    // the row leaves the rows, the row after it becoming current.
    void post();
    // True while editing when the buffer differs from the row as read (for an appended row: when
    // some field is not NULL).
    bool modified() const;
    // Drops the buffer; the current row is the one before edit() or append().
    void cancel();
    // Deletes the current row with the holder's delete statement (":OLD_NAME" and ":NAME" both
    // take the row's values) and drops it from the rows; the row after it becomes current.
    // Returns the rows the statement changed: 0 tells that the row was no longer in the table
    // (it is dropped from the rows all the same). DbLogicError while editing, without a current
    // row, or without a delete statement.
    int remove();
    // Rows changed by the last post's statement.
    int rowsAffected() const { return m_rowsAffected; }

    // The holder of the write statements; null detaches. The holder is not owned.
    void setUpdateObject(UpdateSql* holder);
    UpdateSql* updateObject() const { return m_updateObject; }

protected:
    // Run by open() before the selection: a dataset of another kind sets its selection and write
    // statements here.
    virtual void prepareOpen() {}

private:
    const QVariant& cell(int index) const;
    int requireIndex(const QString& name) const;
    void requireBrowse(const char* what) const;

    ConnectionRef m_link;
    QStringList m_lines;
    std::vector<std::pair<QString, QVariant>> m_params;
    UpdateSql* m_updateObject = nullptr;
    // The statement that post() runs, kept so that repeated posts reuse its prepared form.
    std::unique_ptr<Query> m_writer;
    // The selection while rows are left to read (with a page size).
    std::unique_ptr<Query> m_reader;
    int m_pageSize = 0;

    State m_state = State::Inactive;
    QStringList m_fields;
    std::vector<std::vector<QVariant>> m_rows;
    std::vector<QVariant> m_buffer;
    int m_current = 0;
    int m_rowsAffected = 0;
};

} // namespace velkora::db
