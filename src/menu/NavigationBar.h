#pragma once

#include <QWidget>

namespace velkora {

class ImageList;

// The navigation pane at the left edge of the main window: one group per program of the user's
// project, each with its quick items.
class NavigationBar : public QWidget
{
    Q_OBJECT

public:
    explicit NavigationBar(QWidget* parent = nullptr);

    void setLargeImages(const ImageList* images) { m_largeImages = images; }
    void setSmallImages(const ImageList* images) { m_smallImages = images; }
    const ImageList* largeImages() const { return m_largeImages; }
    const ImageList* smallImages() const { return m_smallImages; }

private:
    const ImageList* m_largeImages = nullptr;
    const ImageList* m_smallImages = nullptr;
};

} // namespace velkora
