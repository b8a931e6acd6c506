#pragma once
// The program fixture with the popup's settings at hand.
#include "core/settings.h"
#include "support/program_fixture.h"

namespace vantor::test {

class PopupFixture : public ProgramFixture {
  protected:
    void param(const QString& key, const QString& value) {
        EcrireIni(m, QStringLiteral("VANTOR"), QStringLiteral("PARAM"), key, value, m.CheminParam);
    }
};

}  // namespace vantor::test
