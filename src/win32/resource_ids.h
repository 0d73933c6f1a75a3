#pragma once
// Resource identifiers of the toolbar's pictures. The resources themselves
// (toolbar_resources.rc) are linked into whatever module shows the toolbar:
// the DLL, and each Windows test program.

#define IDB_TOOLBAR_ICONS 101   // 144 images of 16 by 16, 32 bits with alpha, in one strip
#define IDB_TOOLBAR_ICONS_24 104  // the same 144 images drawn at 24 by 24
#define IDB_TOOLBAR_ICONS_32 105  // and at 32 by 32
#define IDB_BUILTIN_BANNER 102  // 105 by 22, 24 bits
#define IDB_ABOUT_PICTURE 103   // the About box's illustration
