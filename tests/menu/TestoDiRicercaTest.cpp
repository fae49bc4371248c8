// How typed text and captions are folded before the menu search compares them.
#include "menu/IndiceMenu.h"

#include <gtest/gtest.h>

using namespace velkora;

namespace {

struct Piegatura
{
    const char* testo;
    const char* atteso;
};

TEST(TestoDiRicerca, FoldsCaseAccentsAndPunctuation)
{
    const Piegatura casi[] = {
        {"Contabilità", "contabilita"},
        {"CONTABILITÀ", "contabilita"},
        {"  Prima   NOTA ", "prima nota"},
        {"Dell'anno", "dell anno"},
        // The acute accent stored in place of an apostrophe separates words the same way.
        {"Dell\xc2\xb4"
         "anno",
         "dell anno"},
        {"Perché così", "perche cosi"},
        {"Straße", "strasse"},
        {"Ça va", "ca va"},
        {"Anagrafiche \xe2\x80\xba Clienti", "anagrafiche clienti"},
        {"Listino 2026/27", "listino 2026 27"},
        {"---", ""},
        {"", ""},
        {"è", "e"},
    };
    for (const Piegatura& c : casi) {
        SCOPED_TRACE(c.testo);
        EXPECT_EQ(testoDiRicerca(QString::fromUtf8(c.testo)).toStdString(), c.atteso);
    }
}

} // namespace
