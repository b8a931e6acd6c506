// The archive limit date as users type it, in their locale and in the forms
// a French user or an ISO habit gives.
#include "maintenance/date_limite.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace vantor::test {
namespace {

class DateLimiteTest : public ::testing::Test {
  protected:
    ~DateLimiteTest() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(DateLimiteTest, ReadsTheRegionalFormThenTheFrenchAndIsoForms) {
    const QDate quinzeMars(2008, 3, 15);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    for (const char* texte :
         {"15/03/2008", " 15/3/2008 ", "15/03/08", "15-03-2008", "15.03.2008", "2008-03-15",
          "15/03/2008 10:30", "2008-03-15T10:30:00", "samedi 15 mars 2008"})
        EXPECT_EQ(dateLimite(QString::fromUtf8(texte)), quinzeMars) << texte;
    for (const char* texte : {"", "   ", "31/02/2008", "demain", "15/03", "15/03/2008 25:00"})
        EXPECT_EQ(dateLimite(QString::fromUtf8(texte)), std::nullopt) << texte;
    EXPECT_EQ(dateLimite(QStringLiteral("01/01/29")), QDate(2029, 1, 1));
    EXPECT_EQ(dateLimite(QStringLiteral("01/01/30")), QDate(1930, 1, 1));

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(dateLimite(QStringLiteral("3/15/08")), quinzeMars);
    EXPECT_EQ(dateLimite(QStringLiteral("03/04/2008")),
              QDate(2008, 3, 4));  // the user's own order first
    EXPECT_EQ(dateLimite(QStringLiteral("15/03/2008")), quinzeMars);
    EXPECT_EQ(dateLimite(QStringLiteral("Saturday, March 15, 2008")), quinzeMars);
}

}  // namespace
}  // namespace vantor::test
