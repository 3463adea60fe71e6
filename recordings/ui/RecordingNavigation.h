#pragma once
// Next and previous recording of the visible list page, and the common start of a recording
// that makes it the selected, visible row of its page.
class RecordingListHost;

// The click guard shared by Next and Previous: waits one double-click time, handling events in
// ten slices. A second guarded request during the wait is dropped (false) and ends the wait, so
// a double-click on Next advances by one recording without waiting the full time.
bool RecordingClickGuard();

// The visible page's following row, wrapping from the last to the first (button 1009 and the
// end of a recording).
void NextRecording(RecordingListHost& host);
// The visible page's preceding row, wrapping from the first to the last (button 1005).
void PreviousRecording(RecordingListHost& host);
// Stops a running player, starts current_path and highlights current_index's row in the page
// of current_name's kind, which becomes the visible page.
void PlayCurrentRecording(RecordingListHost& host);
