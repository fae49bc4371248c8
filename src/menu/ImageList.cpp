#include "menu/ImageList.h"

namespace velkora {

int ImageList::add(const QPixmap& picture)
{
    m_pictures.push_back(picture.size() == m_size
                             ? picture
                             : picture.scaled(m_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return count() - 1;
}

} // namespace velkora
