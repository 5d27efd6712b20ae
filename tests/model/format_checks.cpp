// Compiled by the FormatChecks test, never linked: every line marked "bad"
// must fail to compile (each on its own line), and no other line may.
#include "model/misc.h"

#include <string>

void formats()
{
    const char16_t *name = u"x";
    const char *utf8 = "x";
    std::u16string text = u"x";
    msc__format(u"%2 %1 %2 %% %{1:}0", name, 7);       // good
    msc__format(u"%{1:04X} %{2:.10g} %{3:08}", 10u, 1.5, -3L); // good
    msc__format(u"%1", utf8);                            // good
    msc__fmt<int> passed_on = u"Строка %1";              // good
    msc__format(passed_on, 3);                           // good
    msc__format(u"%1", 1, 2);                            // bad: 2 is never shown
    msc__format(u"%1 %2", 1);                            // bad: no second argument
    msc__format(u"%1", text);                            // bad: a string, not its c_str()
    msc__format(u"%1", u'x');                            // bad: a character
    msc__format(u"%1", true);                            // bad: a truth value
    msc__format(u"%{1:.2f}", name);                      // bad: spec on a text
    msc__format(u"%1", 1.5);                             // bad: a real without f or g
    msc__format(u"%{1:.2X}", 1);                         // bad: precision of an integer
    msc__format(u"%s", name);                            // bad: printf conversion
    msc__format(u"%12", 1);                              // bad: digit after %1
    msc__format(u"100%", 1);                             // bad: lone percent
    msc__fmt<const char *> wrong = u"%{1:d}";            // bad: unknown conversion
    msc__format(passed_on, name);                        // bad: format for an int given a text
}
