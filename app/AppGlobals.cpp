#include "app/AppGlobals.h"

AppGlobals& App()
{
    static AppGlobals values;
    return values;
}
