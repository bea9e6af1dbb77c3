// Filled in with the conversion routines.
