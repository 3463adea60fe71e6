#pragma once
// Wrap-around rules of Next and Previous over one list of n recordings, c being its current row.

// Next: c + 1 inside the list, 0 from the last row (and from -1 on an empty list); any other c stays.
int AdvanceNext(int c, int n);

// Previous: c - 1 inside the list, n - 1 from row 0 (-1 on an empty list); any other c stays.
int AdvancePrevious(int c, int n);
