<?xml version="1.0" encoding="UTF-8"?>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<!-- Scan results as a CSV table (RFC 4180: comma separated, CR LF line ends, fields with a
     comma, a double quote or a line break enclosed in double quotes, inner quotes doubled).
     Runs under QXmlQuery's XSLT 2.0, which has no xsl:key or format-number and which reuses
     the result of an xsl:function called with a different context, so every field is quoted
     by one inline for-expression instead. The program writes text outside elements as it
     stands, so nothing here is XML-escaped.
     A spreadsheet runs a cell that starts with "=", "+", "-" or "@" as a formula (some look
     past a leading TAB or CR), and a host chooses its own name and page title: such a cell
     gets a leading apostrophe, which makes a spreadsheet take it as text. None of the fields
     the program makes itself (status, address, MAC, yes/no, port numbers) starts with one of
     these. A host without a MAC address carries zeros in the XML; its cell stays empty. -->
<xsl:stylesheet version="2.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text" encoding="UTF-8"/>

  <xsl:template match="/">
    <!-- The console adds vendor and change attributes when asked to; only then are there columns
         for them. Tested inline: this processor leaks the memory of a template's variables. -->
    <xsl:text>Status,Name,IP,NetBIOS name,NetBIOS group,MAC address,User,HTTP,HTTP title,HTTPS,FTP,Ortavo ports,Shares,Comments</xsl:text>
    <xsl:if test="exists(/*/row/@vendor)"><xsl:text>,Vendor</xsl:text></xsl:if>
    <xsl:if test="exists(/*/row/@change)"><xsl:text>,Change</xsl:text></xsl:if>
    <xsl:if test="exists(/*/row/@alive_by)"><xsl:text>,Alive by</xsl:text></xsl:if>
    <xsl:text>&#13;&#10;</xsl:text>
    <xsl:for-each select="/*/row">
      <xsl:value-of select="string-join(
          for $raw in (string(@status), string(@name), string(@ip), string(@netbiosname),
                        string(@netbiosgroup),
                        if (string(@mac) = '00:00:00:00:00:00') then '' else string(@mac),
                        string(@user),
                        if (string(@has_http) = '1') then 'yes' else 'no',
                        string(@http_title),
                        if (string(@has_https) = '1') then 'yes' else 'no',
                        if (string(@has_ftp) = '1') then 'yes' else 'no',
                        string-join(ortavo/@port, ' '),
                        string-join(share/@name, '; '),
                        string(@comments),
                        if (exists(/*/row/@vendor)) then string(@vendor) else (),
                        if (exists(/*/row/@change))
                        then (if (normalize-space(@changed) = '') then string(@change)
                              else concat(@change, ': ', string-join(tokenize(normalize-space(@changed), ' '), ', ')))
                        else (),
                        if (exists(/*/row/@alive_by)) then string(@alive_by) else ()),
              $cell in replace($raw, '^([=+\-@\t\r])', '''$1')
          return if (matches($cell, '[,&quot;&#13;&#10;]'))
                 then concat('&quot;', replace($cell, '&quot;', '&quot;&quot;'), '&quot;')
                 else $cell,
          ',')"/>
      <xsl:text>&#13;&#10;</xsl:text>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
