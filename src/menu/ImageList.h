#pragma once

#include <QPixmap>
#include <QSize>

#include <vector>

namespace velkora {

// A list of pictures of one size, addressed by index, as the navigation bar uses them.
class ImageList
{
public:
    explicit ImageList(QSize size)
        : m_size(size)
    {
    }

    QSize size() const { return m_size; }
    // Adds the picture scaled to the list's size; returns its index.
    int add(const QPixmap& picture);
    const QPixmap& at(int index) const { return m_pictures.at(static_cast<std::size_t>(index)); }
    int count() const { return static_cast<int>(m_pictures.size()); }
    void clear() { m_pictures.clear(); }

private:
    QSize m_size;
    std::vector<QPixmap> m_pictures;
};

} // namespace velkora
