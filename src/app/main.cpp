#include "app/VantleApp.h"

#include <malloc.h>

int main(int argc, char **argv)
{
    // glibc raises its mmap threshold to the size of each large block freed, so after one big
    // transient buffer (a megabyte copied to the clipboard, a screen-sized image) later ones come
    // from the heap and fragment it for the rest of a day's run. A fixed threshold maps them and
    // gives them back when freed: a 6-minute soak grew 1.4 % instead of 7.4 %. It sits above a
    // window's backing store (the command bar's is some 800 KiB and is made again each time the
    // bar grows or shrinks by a row): a fresh mapping costs a page fault per page touched.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    // Each thread that allocates would get an arena of its own (up to eight a core), kept
    // resident for the whole run though the pools' threads do little and seldom at once: the
    // workers share one arena beside the main thread's heap instead (-0.2 MB at start, where the
    // setup check's probes, the skills, the stores and Qt's pool all start threads together).
    mallopt(M_ARENA_MAX, 2);
    return VantleApp::run(argc, argv);
}
