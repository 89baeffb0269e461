// A library without sources of its own yet.
