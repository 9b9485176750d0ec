#include "res/Resources.h"

#include <QtGlobal>

#include <mutex>

// Q_INIT_RESOURCE must run outside any namespace.
static void RegisterImages()
{
    Q_INIT_RESOURCE(vellory_images);
}

void InitVelloryResources()
{
    static std::once_flag once;
    std::call_once(once, RegisterImages);
}
