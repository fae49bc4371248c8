#include "tabx/MemTable.h"

#include <QDate>

#include <limits>

namespace velkora {

namespace {

QString textOf(const QVariant& v, MemTable::FieldType type)
{
    if (v.isNull())
        return QString();
    if (type == MemTable::FieldType::Date)
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    return v.toString();
}

} // namespace

MemTable::Error::Error(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

void MemTable::setFields(std::vector<FieldDef> fields)
{
    if (active())
        throw Error(QStringLiteral("Impossibile cambiare i campi di una tabella aperta"));
    m_fields = std::move(fields);
}

void MemTable::open()
{
    if (!active())
        m_state = State::Browse;
    m_current = 0;
}

void MemTable::close()
{
    m_state = State::Inactive;
    m_buffer.clear();
}

void MemTable::clearRows()
{
    m_rows.clear();
    m_current = 0;
    if (active())
        m_state = State::Browse;
}

void MemTable::first()
{
    m_current = 0;
}

void MemTable::next()
{
    if (m_current < recordCount())
        ++m_current;
}

bool MemTable::eof() const
{
    return m_current >= recordCount();
}

void MemTable::append()
{
    if (!active())
        throw Error(QStringLiteral("Tabella in memoria non aperta"));
    if (m_state != State::Browse)
        post();
    m_buffer.assign(m_fields.size(), QVariant());
    m_state = State::Insert;
}

void MemTable::edit()
{
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    m_buffer = currentRow();
    m_state = State::Edit;
}

void MemTable::post()
{
    if (m_state == State::Insert) {
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            if (m_fields[i].type == FieldType::AutoInc && m_buffer[i].isNull())
                m_buffer[i] = m_nextAutoInc++;
        }
        m_rows.push_back(m_buffer);
        m_current = recordCount() - 1;
    } else if (m_state == State::Edit) {
        m_rows[static_cast<std::size_t>(m_current)] = m_buffer;
    }
    if (active())
        m_state = State::Browse;
    m_buffer.clear();
}

void MemTable::cancel()
{
    if (m_state == State::Edit || m_state == State::Insert)
        m_state = State::Browse;
    m_buffer.clear();
}

int MemTable::fieldIndex(const QString& field) const
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    throw Error(QStringLiteral("Campo inesistente: ") + field);
}

const std::vector<QVariant>& MemTable::currentRow() const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer;
    if (!active() || eof())
        throw Error(QStringLiteral("Nessuna riga corrente"));
    return m_rows[static_cast<std::size_t>(m_current)];
}

int MemTable::findRow(const std::vector<std::pair<int, QString>>& criteria) const
{
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        bool all = true;
        for (const auto& [index, value] : criteria) {
            const auto i = static_cast<std::size_t>(index);
            if (textOf(m_rows[r][i], m_fields[i].type) != value) {
                all = false;
                break;
            }
        }
        if (all)
            return static_cast<int>(r);
    }
    return -1;
}

bool MemTable::locate(const QString& field, const QString& value)
{
    if (m_state != State::Browse)
        post();
    const int r = findRow({{fieldIndex(field), value}});
    if (r >= 0)
        m_current = r;
    return r >= 0;
}

bool MemTable::locate(const QString& field1, const QString& value1, const QString& field2,
                      const QString& value2)
{
    if (m_state != State::Browse)
        post();
    const int r = findRow({{fieldIndex(field1), value1}, {fieldIndex(field2), value2}});
    if (r >= 0)
        m_current = r;
    return r >= 0;
}

QVariant MemTable::value(const QString& field) const
{
    return currentRow()[static_cast<std::size_t>(fieldIndex(field))];
}

QString MemTable::asString(const QString& field) const
{
    const int i = fieldIndex(field);
    return textOf(currentRow()[static_cast<std::size_t>(i)], m_fields[static_cast<std::size_t>(i)].type);
}

void MemTable::setAsString(const QString& field, const QString& text)
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw Error(QStringLiteral("La tabella in memoria non è in modifica"));
    const auto i = static_cast<std::size_t>(fieldIndex(field));
    const FieldDef& def = m_fields[i];
    QVariant& cell = m_buffer[i];
    if (text.isEmpty() && def.type != FieldType::String && def.type != FieldType::Memo) {
        cell = QVariant();
        return;
    }
    bool ok = true;
    switch (def.type) {
    case FieldType::String:
        cell = def.size > 0 ? text.left(def.size) : text;
        break;
    case FieldType::Memo:
        cell = text;
        break;
    case FieldType::AutoInc:
    case FieldType::LargeInt:
        cell = text.trimmed().toLongLong(&ok);
        break;
    case FieldType::SmallInt: {
        const int n = text.trimmed().toInt(&ok);
        ok = ok && n >= std::numeric_limits<qint16>::min() && n <= std::numeric_limits<qint16>::max();
        cell = n;
        break;
    }
    case FieldType::Date: {
        const QDate d = QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy"));
        ok = d.isValid();
        cell = d;
        break;
    }
    }
    if (!ok)
        throw Error(QStringLiteral("'%1' non è un valore valido per il campo %2").arg(text, def.name));
}

} // namespace velkora
