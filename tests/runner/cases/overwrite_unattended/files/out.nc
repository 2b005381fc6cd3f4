old content
