#pragma once
// The system's window classes that the toolbar's windows and dialogs are made
// of, as the module's manifest names them.
namespace pq::win32 {

// Makes sure that each of them is registered; the first call does it, the
// others wait for it to be done. The browser builds toolbars on several frame
// threads at once, and under Wine a class that the system registers on first
// use can be missing for a thread that asks while another thread's
// registration of it is under way: that thread's window would not be made.
void PrepareSystemWindowClasses();

}  // namespace pq::win32
