<?xml version="1.0" encoding="UTF-8"?>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<!-- Scan results as one self-contained HTML page: the scan it comes from (when the document
     names it), a summary and a table of hosts with their services and shares. Runs under QXmlQuery's XSLT 2.0, which ignores xsl:output and writes
     XML: empty elements would come out as <td/>, so an empty cell holds a no-break space,
     and the style sheet avoids the characters that XML escapes. The doctype is plain text
     before the root element, which the program writes as it stands. Variables are avoided:
     this processor may keep the value from the first iteration of a loop, and it leaks the
     memory of a template's variables. -->
<xsl:stylesheet version="2.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8"/>

  <xsl:template match="/">
    <!-- The console adds vendor and change attributes when asked to; only then are there columns
         for them. A host without a MAC address carries zeros in the XML: its cell stays empty. -->
    <xsl:text>&lt;!DOCTYPE html&gt;&#10;</xsl:text>
    <html lang="en">
      <head>
        <meta charset="utf-8"/>
        <title>Scan results</title>
        <style type="text/css">
body { font-family: Segoe UI, Arial, sans-serif; font-size: 10pt; color: #222; margin: 1.5em; }
h1 { font-size: 14pt; margin: 0 0 0.4em 0; }
p.summary { margin: 0 0 1em 0; }
p.summary span, p.scan span { margin-right: 1.5em; }
p.scan { margin: 0 0 0.4em 0; color: #555; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #bbb; padding: 3px 6px; text-align: left; vertical-align: top; }
th { background: #e8e8e8; }
tr.alive td.status { background: #c8efc8; }
tr.dead td.status { background: #f4c6c6; }
tr.unknown td.status { background: #e4e4e4; }
td.ip, td.mac { font-family: Consolas, monospace; white-space: nowrap; }
ul { margin: 0; padding-left: 1.2em; }
@media print { body { margin: 0; } th { background: none; } }
        </style>
      </head>
      <body>
        <h1>Scan results</h1>
        <xsl:if test="exists(/*/@started)">
          <p class="scan">
            <span>Scanned: <xsl:value-of select="concat(substring(string(/*/@started), 1, 10), ' ', substring(string(/*/@started), 12))"/></span>
            <span>Ranges: <xsl:value-of select="if (string(/*/@ranges) = '') then '&#160;' else string(/*/@ranges)"/></span>
            <xsl:if test="exists(/*/@duration)"><span>Duration: <xsl:value-of select="string(/*/@duration)"/> s</span></xsl:if>
            <span>Vistrel <xsl:value-of select="string(/*/@version)"/></span>
          </p>
        </xsl:if>
        <p class="summary">
          <span>Hosts: <xsl:value-of select="count(/*/row)"/></span>
          <span>Alive: <xsl:value-of select="count(/*/row[@status = 'alive'])"/></span>
          <span>Dead: <xsl:value-of select="count(/*/row[@status = 'dead'])"/></span>
          <span>Unknown: <xsl:value-of select="count(/*/row[not(@status = 'alive' or @status = 'dead')])"/></span>
        </p>
        <table>
          <thead>
            <tr>
              <th>Status</th><th>Name</th><th>IP</th><th>NetBIOS name</th><th>NetBIOS group</th>
              <th>MAC address</th><th>User</th><th>Services</th><th>Shares</th><th>Comments</th>
              <xsl:if test="exists(/*/row/@vendor)"><th>Vendor</th></xsl:if>
              <xsl:if test="exists(/*/row/@change)"><th>Change</th></xsl:if>
            </tr>
          </thead>
          <tbody>
            <xsl:for-each select="/*/row">
              <tr class="{if (@status = 'alive' or @status = 'dead') then string(@status) else 'unknown'}">
                <td class="status"><xsl:value-of select="if (@status = 'alive') then 'Alive' else if (@status = 'dead') then 'Dead' else 'Unknown'"/></td>
                <td><xsl:value-of select="if (string(@name) = '') then '&#160;' else string(@name)"/></td>
                <td class="ip"><xsl:value-of select="if (string(@ip) = '') then '&#160;' else string(@ip)"/></td>
                <td><xsl:value-of select="if (string(@netbiosname) = '') then '&#160;' else string(@netbiosname)"/></td>
                <td><xsl:value-of select="if (string(@netbiosgroup) = '') then '&#160;' else string(@netbiosgroup)"/></td>
                <td class="mac"><xsl:value-of select="if (string(@mac) = '' or string(@mac) = '00:00:00:00:00:00') then '&#160;' else string(@mac)"/></td>
                <td><xsl:value-of select="if (string(@user) = '') then '&#160;' else string(@user)"/></td>
                <td>
                  <xsl:if test="@has_http = '1' or @has_https = '1' or @has_ftp = '1' or ortavo">
                    <ul>
                      <xsl:if test="@has_http = '1'">
                        <li>HTTP<xsl:if test="string(@http_title) != ''">: <xsl:value-of select="string(@http_title)"/></xsl:if></li>
                      </xsl:if>
                      <xsl:if test="@has_https = '1'"><li>HTTPS</li></xsl:if>
                      <xsl:if test="@has_ftp = '1'"><li>FTP</li></xsl:if>
                      <xsl:for-each select="ortavo"><li>Ortavo: <xsl:value-of select="string(@port)"/></li></xsl:for-each>
                    </ul>
                  </xsl:if>
                  <xsl:text>&#160;</xsl:text>
                </td>
                <td>
                  <xsl:if test="share">
                    <ul><xsl:for-each select="share"><li><xsl:value-of select="string(@name)"/></li></xsl:for-each></ul>
                  </xsl:if>
                  <xsl:text>&#160;</xsl:text>
                </td>
                <td><xsl:value-of select="if (string(@comments) = '') then '&#160;' else string(@comments)"/></td>
                <xsl:if test="exists(/*/row/@vendor)">
                  <td><xsl:value-of select="if (string(@vendor) = '') then '&#160;' else string(@vendor)"/></td>
                </xsl:if>
                <xsl:if test="exists(/*/row/@change)">
                  <td class="change"><xsl:value-of select="if (normalize-space(@changed) = '') then (if (string(@change) = '') then '&#160;' else string(@change))
                                                           else concat(@change, ': ', string-join(tokenize(normalize-space(@changed), ' '), ', '))"/></td>
                </xsl:if>
              </tr>
            </xsl:for-each>
          </tbody>
        </table>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>
