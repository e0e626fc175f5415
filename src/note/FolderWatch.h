#pragma once

// The data folder is shared: synchronisation tools, backups and people write into it while the
// program runs. From the end of loading on, what they write is taken in shortly after, without
// any polling:
// - a note file another program rewrote is shown, unless the user typed in that note since it
//   was saved: then what the file holds becomes a note of its own, beside the user's version;
// - titles, places and colours another program changed in Indice.cfg are taken;
// - a note file that appears is shown as a note, and conflict copies and case twins become notes
//   of their own;
// - a note whose file goes missing stays open and is written back at its next save.
// The program's own writes change nothing. While notes load or a dialog is open the watch waits.
void WatchDataFolder();

// Looks at the folder now rather than after the settling delay (tests, and a start).
void CheckDataFolder();
