q.src="unterminated
r.src="../up/%s%n.gif"
s.src="about:blankimg.gif"