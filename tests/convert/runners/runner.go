// Reads one case a line ({"pattern", "flags", "subject", "global", "replacement"}) and answers each with the
// matches (UTF-16 offsets of the match and its groups, -1 for a group that took no part) and the replaced
// text, doing what the Go snippets do.
package main

import (
	"bufio"
	"encoding/json"
	"os"
	"regexp"
	"unicode/utf8"
)

type request struct {
	Pattern     string   `json:"pattern"`
	Flags       []string `json:"flags"`
	Subject     string   `json:"subject"`
	Global      bool     `json:"global"`
	Replacement *string  `json:"replacement"`
}

type answer struct {
	Error    string  `json:"error,omitempty"`
	Matches  [][]int `json:"matches"`
	Replaced *string `json:"replaced,omitempty"`
}

func main() {
	in := bufio.NewScanner(os.Stdin)
	in.Buffer(make([]byte, 1<<20), 1<<24)
	out := bufio.NewWriter(os.Stdout)
	defer out.Flush()
	enc := json.NewEncoder(out)
	for in.Scan() {
		if len(in.Bytes()) == 0 {
			continue
		}
		var c request
		if err := json.Unmarshal(in.Bytes(), &c); err != nil {
			enc.Encode(answer{Error: err.Error()})
			continue
		}
		re, err := regexp.Compile(c.Pattern)
		if err != nil {
			enc.Encode(answer{Error: err.Error()})
			continue
		}
		// UTF-16 offset of every byte offset.
		units := make([]int, len(c.Subject)+1)
		u := 0
		for b := 0; b < len(c.Subject); {
			r, size := utf8.DecodeRuneInString(c.Subject[b:])
			for k := 0; k < size; k++ {
				units[b+k] = u
			}
			if r > 0xFFFF {
				u += 2
			} else {
				u++
			}
			b += size
		}
		units[len(c.Subject)] = u
		var found [][]int
		if c.Global {
			found = re.FindAllStringSubmatchIndex(c.Subject, -1)
		} else if m := re.FindStringSubmatchIndex(c.Subject); m != nil {
			found = [][]int{m}
		}
		a := answer{Matches: [][]int{}}
		for _, m := range found {
			row := make([]int, len(m))
			for k, v := range m {
				if v < 0 {
					row[k] = -1
				} else {
					row[k] = units[v]
				}
			}
			a.Matches = append(a.Matches, row)
		}
		if c.Replacement != nil {
			var replaced string
			if c.Global {
				replaced = re.ReplaceAllString(c.Subject, *c.Replacement)
			} else if m := re.FindStringSubmatchIndex(c.Subject); m != nil {
				replaced = c.Subject[:m[0]] + string(re.ExpandString(nil, *c.Replacement, c.Subject, m)) + c.Subject[m[1]:]
			} else {
				replaced = c.Subject
			}
			a.Replaced = &replaced
		}
		enc.Encode(a)
	}
}
