// Filled in with its pages.
