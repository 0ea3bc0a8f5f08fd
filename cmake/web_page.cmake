# The browser page (placeholder).
