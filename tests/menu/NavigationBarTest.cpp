#include "menu/ImageList.h"
#include "menu/NavigationBar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLayout>
#include <QPointer>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace velkora;

namespace {

QPixmap filled(QSize size, Qt::GlobalColor color)
{
    QPixmap pm(size);
    pm.fill(color);
    return pm;
}

// Runs the deletions that the bar left to the event loop.
void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class NavigationBarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        bar.setLargeImages(&large);
        bar.setSmallImages(&small);
        bar.resize(185, 420);
    }

    // Shows the bar and lets its layout place the widgets, so clicks land on real buttons.
    void showBar()
    {
        bar.show();
        bar.layout()->activate();
        QApplication::processEvents();
    }

    // Three groups of two links each, tags 10/20/30 and 11, 12, 21, ...
    void fillThreeGroups()
    {
        for (int g = 1; g <= 3; ++g) {
            NavigationBar::Group* group = bar.addGroup(QStringLiteral("Programma %1").arg(g), g * 10, -1, -1);
            for (int l = 1; l <= 2; ++l)
                bar.addLink(group, QStringLiteral("Voce %1.%2").arg(g).arg(l), g * 10 + l);
        }
    }

    ImageList large{QSize(32, 32)};
    ImageList small{QSize(16, 16)};
    NavigationBar bar;
};

TEST_F(NavigationBarTest, GroupsAreAppendedInOrderWithTheirProperties)
{
    struct Row
    {
        QString caption;
        int tag;
        int largeIndex;
        int smallIndex;
    };
    const std::vector<Row> rows = {
        {QStringLiteral("Contabilità"), 7, 0, 0},
        {QStringLiteral("Magazzino"), -3, -1, -1},
        {QString(), 0, 5, 2},
        {QStringLiteral("Vendite & Acquisti"), 2147483647, 1, 1},
    };
    for (const Row& row : rows)
        bar.addGroup(row.caption, row.tag, row.largeIndex, row.smallIndex);

    ASSERT_EQ(bar.groupCount(), static_cast<int>(rows.size()));
    for (int i = 0; i < bar.groupCount(); ++i) {
        SCOPED_TRACE(i);
        const NavigationBar::Group* g = bar.group(i);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->caption(), rows[i].caption);
        EXPECT_EQ(g->tag(), rows[i].tag);
        EXPECT_EQ(g->largeImageIndex(), rows[i].largeIndex);
        EXPECT_EQ(g->smallImageIndex(), rows[i].smallIndex);
        EXPECT_EQ(g->linkCount(), 0);
        EXPECT_EQ(bar.indexOf(g), i);
    }
    EXPECT_EQ(bar.group(-1), nullptr);
    EXPECT_EQ(bar.group(bar.groupCount()), nullptr);
    // No group was activated: the first one is.
    EXPECT_EQ(bar.activeGroup(), bar.group(0));
}

TEST_F(NavigationBarTest, LinksAreAppendedAtTheEndOfTheirGroup)
{
    NavigationBar::Group* a = bar.addGroup(QStringLiteral("A"), 1, -1, -1);
    NavigationBar::Group* b = bar.addGroup(QStringLiteral("B"), 2, -1, -1);
    // Interleaved as the catalogue walk adds them: each link goes to the end of its own group.
    struct Row
    {
        NavigationBar::Group* group;
        const char* caption;
        int tag;
        int image;
    };
    const std::vector<Row> rows = {
        {a, "a1", 101, 0}, {b, "b1", 201, -1}, {a, "a2", 102, 9}, {b, "b2", 201, -1}, {a, "a3", 103, -1},
    };
    for (const Row& row : rows)
        ASSERT_NE(bar.addLink(row.group, QString::fromLatin1(row.caption), row.tag, row.image), nullptr);

    const auto expectLinks = [](const NavigationBar::Group* g, const std::vector<Row>& rows) {
        int i = 0;
        for (const Row& row : rows) {
            if (row.group != g)
                continue;
            SCOPED_TRACE(row.caption);
            const NavigationBar::Link* l = g->link(i++);
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(l->caption(), QString::fromLatin1(row.caption));
            EXPECT_EQ(l->tag(), row.tag);
            EXPECT_EQ(l->imageIndex(), row.image);
            EXPECT_EQ(l->group(), g);
        }
        EXPECT_EQ(g->linkCount(), i);
        EXPECT_EQ(g->link(i), nullptr);
    };
    expectLinks(a, rows);
    expectLinks(b, rows);

    // A group the bar does not hold gets no link.
    NavigationBar other;
    NavigationBar::Group* foreign = other.addGroup(QStringLiteral("X"), 9, -1, -1);
    EXPECT_EQ(bar.addLink(foreign, QStringLiteral("x"), 1), nullptr);
    EXPECT_EQ(bar.addLink(nullptr, QStringLiteral("x"), 1), nullptr);
    EXPECT_EQ(foreign->linkCount(), 0);
}

TEST_F(NavigationBarTest, OnlyTheActiveGroupsLinksShowBetweenTheSelectors)
{
    fillThreeGroups();
    showBar();
    const QWidget* linkArea = bar.findChild<QScrollArea*>();
    ASSERT_NE(linkArea, nullptr);

    for (int active = 0; active < bar.groupCount(); ++active) {
        SCOPED_TRACE(active);
        bar.setActiveGroup(bar.group(active));
        bar.layout()->activate();
        EXPECT_EQ(bar.activeGroup(), bar.group(active));
        for (int g = 0; g < bar.groupCount(); ++g) {
            const NavigationBar::Group* group = bar.group(g);
            EXPECT_EQ(group->isActive(), g == active);
            for (int l = 0; l < group->linkCount(); ++l)
                EXPECT_EQ(group->link(l)->button()->isVisible(), g == active) << "group " << g;
            // Selectors up to the active one above the links, the others below them.
            const QRect selector = group->button()->geometry();
            if (g <= active)
                EXPECT_LE(selector.bottom(), linkArea->geometry().top()) << "group " << g;
            else
                EXPECT_GE(selector.top(), linkArea->geometry().bottom()) << "group " << g;
        }
    }

    // A group of another bar, or none, changes nothing.
    NavigationBar other;
    bar.setActiveGroup(other.addGroup(QStringLiteral("X"), 9, -1, -1));
    EXPECT_EQ(bar.activeGroup(), bar.group(2));
    bar.setActiveGroup(nullptr);
    EXPECT_EQ(bar.activeGroup(), bar.group(2));
}

// How a user presses a button: with the mouse, or with the keyboard once Tab brought him there.
enum class Press { Mouse, Enter, Space };

void press(QAbstractButton* button, Press how)
{
    switch (how) {
    case Press::Mouse:
        QTest::mouseClick(button, Qt::LeftButton);
        break;
    case Press::Enter:
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Return);
        break;
    case Press::Space:
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Space);
        break;
    }
}

class NavigationBarPressTest : public NavigationBarTest, public ::testing::WithParamInterface<Press>
{
};

TEST_P(NavigationBarPressTest, PressingASelectorActivatesItsGroupThenRunsItsClickEvent)
{
    fillThreeGroups();
    showBar();
    NavigationBar::Group* target = bar.group(2);
    std::vector<QString> events;
    target->setOnClick([&] {
        EXPECT_EQ(bar.activeGroup(), target) << "activated before the event";
        EXPECT_TRUE(target->link(0)->button()->isVisibleTo(&bar));
        ASSERT_EQ(bar.clickedGroup(), target);
        events.push_back(QStringLiteral("callback %1").arg(bar.clickedGroup()->tag()));
    });
    QObject::connect(target, &NavBarGroup::clicked, [&] {
        EXPECT_EQ(bar.clickedGroup(), target);
        events.push_back(QStringLiteral("signal"));
    });
    QObject::connect(&bar, &NavigationBar::groupClicked, [&](NavBarGroup* g) {
        EXPECT_EQ(g, target);
        EXPECT_EQ(bar.clickedGroup(), target);
        events.push_back(QStringLiteral("bar"));
    });
    int otherClicks = 0;
    bar.group(0)->setOnClick([&] { ++otherClicks; });

    press(target->button(), GetParam());

    EXPECT_EQ(events, (std::vector<QString>{QStringLiteral("callback 30"), QStringLiteral("signal"),
                                            QStringLiteral("bar")}));
    EXPECT_EQ(otherClicks, 0);
    EXPECT_EQ(bar.activeGroup(), target);
    EXPECT_EQ(bar.clickedGroup(), nullptr) << "only known while the event runs";
    EXPECT_EQ(bar.clickedLink(), nullptr);

    // Pressing the active group again runs its event again.
    press(target->button(), GetParam());
    EXPECT_EQ(events.size(), 6u);
}

TEST_P(NavigationBarPressTest, PressingALinkRunsItsClickEventWithTheLinkKnown)
{
    fillThreeGroups();
    showBar();
    NavigationBar::Group* group = bar.group(0);
    NavigationBar::Link* target = group->link(1);
    std::vector<QString> events;
    target->setOnClick([&] {
        ASSERT_EQ(bar.clickedLink(), target);
        events.push_back(QStringLiteral("callback %1/%2")
                             .arg(bar.clickedLink()->group()->tag())
                             .arg(bar.clickedLink()->tag()));
    });
    QObject::connect(target, &NavBarLink::clicked, [&] { events.push_back(QStringLiteral("signal")); });
    QObject::connect(&bar, &NavigationBar::linkClicked, [&](NavBarLink* l) {
        EXPECT_EQ(l, target);
        EXPECT_EQ(bar.clickedLink(), target);
        events.push_back(QStringLiteral("bar"));
    });
    int groupClicks = 0;
    QObject::connect(&bar, &NavigationBar::groupClicked, [&] { ++groupClicks; });

    press(target->button(), GetParam());

    EXPECT_EQ(events, (std::vector<QString>{QStringLiteral("callback 10/12"), QStringLiteral("signal"),
                                            QStringLiteral("bar")}));
    EXPECT_EQ(groupClicks, 0);
    EXPECT_EQ(bar.activeGroup(), group);
    EXPECT_EQ(bar.clickedLink(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(ByMouseAndKeyboard, NavigationBarPressTest,
                         ::testing::Values(Press::Mouse, Press::Enter, Press::Space),
                         [](const ::testing::TestParamInfo<Press>& info) {
                             switch (info.param) {
                             case Press::Mouse:
                                 return "Mouse";
                             case Press::Enter:
                                 return "Enter";
                             case Press::Space:
                                 return "Space";
                             }
                             return "";
                         });

TEST_F(NavigationBarTest, TabMovesThroughSelectorsAndTheActiveGroupsLinksInScreenOrder)
{
    fillThreeGroups();
    bar.setActiveGroup(bar.group(1));
    showBar();
    bar.activateWindow();
    const std::vector<QWidget*> expected = {
        bar.group(0)->button(), bar.group(1)->button(), bar.group(1)->link(0)->button(),
        bar.group(1)->link(1)->button(), bar.group(2)->button(),
    };
    expected.front()->setFocus();
    for (std::size_t i = 1; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected[i]);
    }
}

// The main window rebuilds its menus from a group's click event, and that may empty the bar
// and fill it again while the pressed selector is still delivering its click.
TEST_F(NavigationBarTest, EmptyingTheBarFromInsideAClickEventIsSafe)
{
    fillThreeGroups();
    showBar();
    QPointer<NavigationBar::Group> pressed = bar.group(1);
    QPointer<QAbstractButton> pressedButton = pressed->button();
    QPointer<NavigationBar::Link> oldLink = bar.group(0)->link(0);
    int tagSeenAfterRemoval = 0;
    pressed->setOnClick([&] {
        bar.removeAllGroups();
        EXPECT_EQ(bar.groupCount(), 0);
        EXPECT_EQ(bar.activeGroup(), nullptr);
        // The handler may still ask which group it was called for.
        tagSeenAfterRemoval = bar.clickedGroup()->tag();
        bar.addGroup(QStringLiteral("Nuovo"), 99, -1, -1);
    });
    int barSignals = 0;
    QObject::connect(&bar, &NavigationBar::groupClicked, [&] { ++barSignals; });

    QTest::mouseClick(pressedButton, Qt::LeftButton);

    EXPECT_EQ(tagSeenAfterRemoval, 20);
    EXPECT_EQ(barSignals, 1);
    ASSERT_EQ(bar.groupCount(), 1);
    EXPECT_EQ(bar.group(0)->tag(), 99);
    EXPECT_EQ(bar.activeGroup(), bar.group(0));
    EXPECT_FALSE(pressedButton->isVisible());

    runDeferredDeletes();
    EXPECT_TRUE(pressed.isNull());
    EXPECT_TRUE(pressedButton.isNull());
    EXPECT_TRUE(oldLink.isNull());

    // The rebuilt bar works as before.
    int newClicks = 0;
    bar.group(0)->setOnClick([&] { ++newClicks; });
    showBar();
    QTest::mouseClick(bar.group(0)->button(), Qt::LeftButton);
    EXPECT_EQ(newClicks, 1);
}

TEST_F(NavigationBarTest, EmptyingTheBarFromInsideALinkEventIsSafe)
{
    fillThreeGroups();
    showBar();
    QPointer<NavigationBar::Link> pressed = bar.group(0)->link(1);
    int tagSeen = 0;
    pressed->setOnClick([&] {
        bar.removeAllGroups();
        tagSeen = bar.clickedLink()->group()->tag() * 100 + bar.clickedLink()->tag();
    });
    QTest::mouseClick(pressed->button(), Qt::LeftButton);
    EXPECT_EQ(tagSeen, 1012);
    EXPECT_EQ(bar.groupCount(), 0);
    runDeferredDeletes();
    EXPECT_TRUE(pressed.isNull());
}

TEST_F(NavigationBarTest, ABarEmptiedButNotYetCleanedUpCanBeDestroyed)
{
    auto* doomed = new NavigationBar;
    NavigationBar::Group* g = doomed->addGroup(QStringLiteral("A"), 1, -1, -1);
    doomed->addLink(g, QStringLiteral("a"), 1);
    doomed->removeAllGroups();
    delete doomed; // before the event loop ran the deletions it was given
    runDeferredDeletes();
}

// Picture indexes come from the catalogue walk, which counts loaded icons only; any index must
// draw either the picture or nothing.
TEST_F(NavigationBarTest, PicturesAreDrawnOnlyForIndexesTheListsHold)
{
    large.add(filled(QSize(32, 32), Qt::red));
    small.add(filled(QSize(16, 16), Qt::red));
    struct Row
    {
        int index;
        bool withLists;
        bool drawn;
    };
    const std::vector<Row> rows = {
        {0, true, true}, {-1, true, false}, {1, true, false}, {-7, true, false}, {0, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "index " << row.index << " lists " << row.withLists);
        bar.removeAllGroups();
        runDeferredDeletes();
        bar.setLargeImages(row.withLists ? &large : nullptr);
        bar.setSmallImages(row.withLists ? &small : nullptr);
        NavigationBar::Group* g = bar.addGroup(QStringLiteral("Gruppo"), 1, row.index, row.index);
        NavigationBar::Link* l = bar.addLink(g, QStringLiteral("Voce"), 1, row.index);
        showBar();

        const QImage selector = g->button()->grab().toImage();
        const QImage link = l->button()->grab().toImage();
        // The middle of where each picture goes.
        const QColor selectorCentre = selector.pixelColor(6 + 16, selector.height() / 2);
        const QColor linkCentre = link.pixelColor(8 + 8, link.height() / 2);
        EXPECT_EQ(selectorCentre == QColor(Qt::red), row.drawn);
        EXPECT_EQ(linkCentre == QColor(Qt::red), row.drawn);
    }
}

// Pictures added to the lists after the groups (the catalogue walk appends the icon and sets the
// index after the group exists) still show.
TEST_F(NavigationBarTest, APictureIndexSetAfterTheGroupShows)
{
    NavigationBar::Group* g = bar.addGroup(QStringLiteral("Gruppo"), 1, -1, -1);
    showBar();
    large.add(filled(QSize(48, 48), Qt::blue)); // scaled to 32x32 by the list
    g->setLargeImageIndex(0);
    const QImage selector = g->button()->grab().toImage();
    EXPECT_EQ(selector.pixelColor(6 + 16, selector.height() / 2), QColor(Qt::blue));
}

} // namespace
