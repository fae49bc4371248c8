#pragma once

#include <QString>
#include <QVariant>

#include <stdexcept>
#include <vector>

namespace velkora {

// A small in-memory table: typed fields, rows kept in the order they were appended, one current
// row, the append/edit/post/cancel cycle of a dataset, and exact look-ups by one or two fields.
// Field values are read and written by name as text; a text field longer than its size is cut.
class MemTable
{
public:
    enum class FieldType
    {
        AutoInc,  // integer numbered 1, 2, 3 ... as rows are posted
        String,   // text of at most `size` characters
        LargeInt, // 64-bit integer
        SmallInt, // 16-bit integer
        Date,     // a day; as text "dd/MM/yyyy"
        Memo      // unbounded text
    };
    enum class State
    {
        Inactive,
        Browse,
        Edit,
        Insert
    };
    struct FieldDef
    {
        QString name;
        FieldType type;
        int size = 0;
    };

    // A wrong field name, a value that does not fit its type, or a step out of order.
    class Error : public std::runtime_error
    {
    public:
        explicit Error(const QString& message);
    };

    void setFields(std::vector<FieldDef> fields);
    const std::vector<FieldDef>& fields() const { return m_fields; }

    void open();
    void close();
    bool active() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    void clearRows();

    int recordCount() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    void first();
    void next();
    bool eof() const;
    // The position of the current row, 0 for the first.
    int row() const { return m_current; }

    // Starts a new row; it joins the table at post().
    void append();
    void edit();
    void post();
    void cancel();

    // Makes the first row whose field equals the value (exact, case-sensitive text comparison)
    // current; false, with the current row unchanged, when there is none.
    bool locate(const QString& field, const QString& value);
    bool locate(const QString& field1, const QString& value1, const QString& field2,
                const QString& value2);

    QString asString(const QString& field) const;
    void setAsString(const QString& field, const QString& text);
    QVariant value(const QString& field) const;

private:
    int fieldIndex(const QString& field) const;
    const std::vector<QVariant>& currentRow() const;
    int findRow(const std::vector<std::pair<int, QString>>& criteria) const;

    std::vector<FieldDef> m_fields;
    std::vector<std::vector<QVariant>> m_rows;
    std::vector<QVariant> m_buffer; // the row being appended or edited
    int m_current = 0;
    State m_state = State::Inactive;
    qint64 m_nextAutoInc = 1;
};

} // namespace velkora
